#include "BmpCodec.h"

#include <cstdint>

namespace glintfall {

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    PutU16(out, static_cast<std::uint16_t>(value));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

void PutHeaders(std::vector<std::uint8_t>& out, const TABitmap& bitmap, std::uint32_t imageSize)
{
    out.push_back('B');
    out.push_back('M');
    PutU32(out, kHeadersSize + imageSize);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, kHeadersSize);
    PutU32(out, 40);
    PutU32(out, static_cast<std::uint32_t>(bitmap.Width()));
    PutU32(out, static_cast<std::uint32_t>(bitmap.Height())); // Positive: rows go bottom-up.
    PutU16(out, 1);
    PutU16(out, 32);
    for (int field = 0; field < 6; ++field) // Compression, image size, resolutions, colours.
        PutU32(out, field == 1 ? imageSize : 0);
}

} // namespace

std::vector<std::uint8_t> EncodeBmp(const TABitmap& bitmap)
{
    const auto imageSize = static_cast<std::uint32_t>(bitmap.Pixels().size() * 4);
    std::vector<std::uint8_t> out;
    out.reserve(kHeadersSize + imageSize);
    PutHeaders(out, bitmap, imageSize);
    for (std::int32_t y = bitmap.Height(); y-- > 0;) {
        for (const TPixel pixel : bitmap.Scanline(y)) {
            // The fourth byte is always written as 0: readers take it as unused, not as alpha.
            PutU32(out, pixel & 0x00FFFFFFu);
        }
    }
    return out;
}

} // namespace glintfall
