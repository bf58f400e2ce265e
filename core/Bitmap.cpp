#include "Bitmap.h"

#include "BmpCodec.h"
#include "Errors.h"

#include <algorithm>
#include <cassert>
#include <fstream>
#include <iterator>

namespace glintfall {

TABitmap::TABitmap(std::int32_t width, std::int32_t height)
{
    SetSize(width, height);
}

void TABitmap::SetSize(std::int32_t width, std::int32_t height)
{
    assert(width >= 0 && height >= 0);
    m_width = width;
    m_height = height;
    m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBlackPixel);
}

TPixel TABitmap::Pixel(std::int32_t x, std::int32_t y) const
{
    return Scanline(y)[static_cast<std::size_t>(x)];
}

void TABitmap::SetPixel(std::int32_t x, std::int32_t y, TPixel pixel)
{
    Scanline(y)[static_cast<std::size_t>(x)] = pixel;
}

std::span<TPixel> TABitmap::Scanline(std::int32_t y)
{
    assert(y >= 0 && y < m_height);
    return std::span(m_pixels).subspan(static_cast<std::size_t>(y) * m_width, m_width);
}

std::span<const TPixel> TABitmap::Scanline(std::int32_t y) const
{
    assert(y >= 0 && y < m_height);
    return std::span(m_pixels).subspan(static_cast<std::size_t>(y) * m_width, m_width);
}

void TABitmap::FillBlack()
{
    std::fill(m_pixels.begin(), m_pixels.end(), kBlackPixel);
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
        const auto row = Scanline(static_cast<std::int32_t>(y));
        std::fill(row.begin() + left, row.begin() + right, pixel);
    }
}

void TABitmap::Assign(const TABitmap& source)
{
    *this = source;
}

void TABitmap::LoadFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw TFileOpenError(path);
    LoadFromStream(file);
}

void TABitmap::LoadFromStream(std::istream& stream)
{
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                          std::istreambuf_iterator<char>()};
    *this = DecodeBmp(bytes);
}

void TABitmap::SaveToStream(std::ostream& stream) const
{
    const std::vector<std::uint8_t> bytes = EncodeBmp(*this);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace glintfall
