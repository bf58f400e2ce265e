#include "Bitmap.h"

#include "BmpCodec.h"
#include "Errors.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <filesystem>
#include <fstream>
#include <utility>

namespace glintfall {

namespace {

std::uint64_t NewContentStamp()
{
    static std::atomic<std::uint64_t> lastStamp{0};
    return ++lastStamp;
}

} // namespace

TABitmap::TABitmap(std::int32_t width, std::int32_t height)
{
    SetSize(width, height);
}

TABitmap& TABitmap::operator=(const TABitmap& other)
{
    if (this == &other)
        return *this;
    // Pixels of another count are allocated before anything changes; the same count needs no memory.
    if (other.m_pixels.size() == m_pixels.size())
        std::ranges::copy(other.m_pixels, m_pixels.begin());
    else
        m_pixels = std::vector<TPixel>(other.m_pixels);
    m_width = other.m_width;
    m_height = other.m_height;
    m_contentStamp = other.m_contentStamp;
    return *this;
}

TABitmap::TABitmap(TABitmap&& other) noexcept
    : m_width(std::exchange(other.m_width, 0))
    , m_height(std::exchange(other.m_height, 0))
    , m_pixels(std::move(other.m_pixels))
    , m_contentStamp(other.m_contentStamp)
{
    other.m_pixels.clear();
}

TABitmap& TABitmap::operator=(TABitmap&& other) noexcept
{
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_pixels = std::move(other.m_pixels);
    other.m_pixels.clear();
    m_contentStamp = other.m_contentStamp;
    return *this;
}

void TABitmap::SetSize(std::int32_t width, std::int32_t height)
{
    assert(width >= 0 && height >= 0);
    // The pixels are allocated before anything changes, so a failed allocation leaves the bitmap
    // whole, at its old size.
    std::vector<TPixel> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBlackPixel);
    m_width = width;
    m_height = height;
    m_pixels.swap(pixels);
    Changed();
}

void TABitmap::Changed()
{
    m_contentStamp = NewContentStamp();
}

TPixel TABitmap::Pixel(std::int32_t x, std::int32_t y) const
{
    return Scanline(y)[static_cast<std::size_t>(x)];
}

void TABitmap::SetPixel(std::int32_t x, std::int32_t y, TPixel pixel)
{
    WritableScanline(y)[static_cast<std::size_t>(x)] = pixel;
}

std::span<TPixel> TABitmap::WritablePixels()
{
    Changed();
    return m_pixels;
}

std::span<const TPixel> TABitmap::Pixels() const
{
    return m_pixels;
}

std::span<TPixel> TABitmap::WritableScanline(std::int32_t y)
{
    assert(y >= 0 && y < m_height);
    return WritablePixels().subspan(static_cast<std::size_t>(y) * m_width, m_width);
}

std::span<const TPixel> TABitmap::Scanline(std::int32_t y) const
{
    assert(y >= 0 && y < m_height);
    return Pixels().subspan(static_cast<std::size_t>(y) * m_width, m_width);
}

void TABitmap::FillBlack()
{
    std::ranges::fill(WritablePixels(), kBlackPixel);
}

void TABitmap::FillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                        TColor color)
{
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, m_width);
    bottom = std::min<std::int64_t>(bottom, m_height);
    if (left >= right || top >= bottom)
        return;
    const TPixel pixel = ColorToPixel(color);
    for (std::int64_t y = top; y < bottom; ++y) {
        const auto row = WritableScanline(static_cast<std::int32_t>(y));
        std::fill(row.begin() + left, row.begin() + right, pixel);
    }
}

void TABitmap::Assign(const TABitmap& source)
{
    *this = source;
}

void TABitmap::CopyAreas(const TABitmap& source, std::span<const TArea> areas)
{
    if (source.m_width != m_width || source.m_height != m_height) {
        *this = source;
        return;
    }
    if (areas.empty())
        return;
    const TPixel* from = source.Pixels().data();
    TPixel* to = WritablePixels().data();
    const auto width = static_cast<std::size_t>(m_width);
    for (const TArea& area : areas) {
        // Rows as wide as the bitmap follow one another: they are copied at once.
        const auto columns = static_cast<std::size_t>(area.right - area.left);
        const auto rows = static_cast<std::size_t>(area.bottom - area.top);
        const std::size_t start = static_cast<std::size_t>(area.top) * width + static_cast<std::size_t>(area.left);
        if (columns == width) {
            std::copy_n(from + start, columns * rows, to + start);
            continue;
        }
        for (std::size_t offset = start; offset < start + rows * width; offset += width)
            std::copy_n(from + offset, columns, to + offset);
    }
}

void TABitmap::LoadFromFile(const std::string& path)
{
    // A folder opens as a stream on Linux but holds no picture: it cannot be opened as a file.
    std::ifstream file(path, std::ios::binary);
    if (!file || std::filesystem::is_directory(path))
        throw TFileOpenError(path);
    LoadFromStream(file);
}

void TABitmap::LoadFromStream(std::istream& stream)
{
    // No picture the decoder accepts is larger than its pixel cap plus headers, so reading stops
    // there rather than swallowing an endless or huge stream.
    constexpr std::size_t kMaxFileBytes = (std::size_t{1} << 28) + (std::size_t{1} << 20);
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    std::vector<std::uint8_t> bytes;
    while (stream && bytes.size() < kMaxFileBytes) {
        const std::size_t used = bytes.size();
        bytes.resize(used + std::min(kChunk, kMaxFileBytes - used));
        stream.read(reinterpret_cast<char*>(bytes.data() + used),
                    static_cast<std::streamsize>(bytes.size() - used));
        bytes.resize(used + static_cast<std::size_t>(stream.gcount()));
    }
    *this = DecodeBmp(bytes);
}

void TABitmap::SaveToStream(std::ostream& stream) const
{
    const std::vector<std::uint8_t> bytes = EncodeBmp(*this);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace glintfall
