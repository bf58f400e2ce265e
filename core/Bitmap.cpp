#include "Bitmap.h"

#include "BmpCodec.h"
#include "Errors.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <filesystem>
#include <fstream>
#include <iterator>
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

TABitmap::TABitmap(const TABitmap& other)
    : m_width(other.m_width)
    , m_height(other.m_height)
    , m_pixels(other.m_pixels)
    , m_contentStamp(other.m_contentStamp)
{
}

// The spare buffer stays: it is this bitmap's own, and a copy must not take it along.
TABitmap& TABitmap::operator=(const TABitmap& other)
{
    m_width = other.m_width;
    m_height = other.m_height;
    m_pixels = other.m_pixels;
    m_contentStamp = other.m_contentStamp;
    return *this;
}

TABitmap::TABitmap(TABitmap&& other) noexcept
    : m_width(std::exchange(other.m_width, 0))
    , m_height(std::exchange(other.m_height, 0))
    , m_pixels(std::move(other.m_pixels))
    , m_spare(std::move(other.m_spare))
    , m_memory(std::move(other.m_memory))
    , m_contentStamp(other.m_contentStamp)
{
}

TABitmap& TABitmap::operator=(TABitmap&& other) noexcept
{
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_pixels = std::move(other.m_pixels);
    m_spare = std::move(other.m_spare);
    m_memory = std::move(other.m_memory);
    m_contentStamp = other.m_contentStamp;
    return *this;
}

void TABitmap::SetSize(std::int32_t width, std::int32_t height)
{
    assert(width >= 0 && height >= 0);
    // The pixels are allocated before anything changes, so a failed allocation leaves the bitmap
    // whole, at its old size.
    Buffer pixels = std::make_shared<TPixel[]>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                               kBlackPixel);
    m_width = width;
    m_height = height;
    m_pixels = std::move(pixels);
    m_spare.reset();
    m_contentStamp = NewContentStamp();
}

void TABitmap::KeepPixelsIn(std::weak_ptr<PixelMemory> memory)
{
    m_memory = std::move(memory);
}

// A buffer of the bitmap's size that nobody else holds: one the memory lends, else the spare once
// its copies have let go, else a new one.
TABitmap::Buffer TABitmap::TakeBuffer()
{
    if (const std::shared_ptr<PixelMemory> memory = m_memory.lock()) {
        // The memory keeps its buffers; a spare of ours would only keep it from lending one again.
        m_spare.reset();
        if (Buffer lent = memory->Lend(PixelCount()))
            return lent;
    }
    if (m_spare && m_spare.use_count() == 1)
        return std::move(m_spare);
    return std::make_shared<TPixel[]>(PixelCount());
}

void TABitmap::PrepareToWrite(Contents contents)
{
    if (m_pixels && m_pixels.use_count() > 1) {
        Buffer own = TakeBuffer();
        if (contents == Contents::Keep)
            std::copy_n(m_pixels.get(), PixelCount(), own.get());
        m_spare = std::exchange(m_pixels, std::move(own));
    }
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
    PrepareToWrite(Contents::Keep);
    return {m_pixels.get(), PixelCount()};
}

std::span<const TPixel> TABitmap::Pixels() const
{
    return {m_pixels.get(), m_pixels ? PixelCount() : 0};
}

std::span<TPixel> TABitmap::PixelsToOverwrite()
{
    PrepareToWrite(Contents::Discard);
    return {m_pixels.get(), PixelCount()};
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
    const std::span<TPixel> pixels = PixelsToOverwrite();
    std::fill(pixels.begin(), pixels.end(), kBlackPixel);
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
