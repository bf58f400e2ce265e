#pragma once

#include <cstdint>

namespace glintfall {

// A colour as the drawing code computes it: red in bits 0..7, green in 8..15, blue in 16..23.
using TColor = std::uint32_t;

// A pixel of a 32-bit surface as the BMP file and the canvas hold it: blue in the lowest byte,
// then green, red and a fourth byte (0xFF for everything the program draws, so it shows opaque).
using TPixel = std::uint32_t;

inline constexpr TPixel kOpaque = 0xFF000000u;
inline constexpr TPixel kBlackPixel = kOpaque;

constexpr TColor RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return TColor{red} | TColor{green} << 8 | TColor{blue} << 16;
}

// The one place where the two byte orders meet.
constexpr TPixel ColorToPixel(TColor color)
{
    const TPixel red = color & 0xFFu;
    const TPixel green = (color >> 8) & 0xFFu;
    const TPixel blue = (color >> 16) & 0xFFu;
    return kOpaque | red << 16 | green << 8 | blue;
}

constexpr TColor PixelToColor(TPixel pixel)
{
    return RGB(static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
               static_cast<std::uint8_t>(pixel));
}

} // namespace glintfall
