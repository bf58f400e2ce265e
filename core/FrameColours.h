#pragma once

#include "Color.h"

#include <cstdint>

namespace glintfall {

// The colours of one frame. With k the dot's index plus the phase, there are three terms:
// A = offsetA + k, B = offsetB + k·k and C = offsetC + k + k·k, each mod 256; the pattern says
// which term each of red, green and blue takes. Only k mod 256 counts, so the colours repeat every
// 256 dots.
struct FrameColours {
    std::uint16_t offsetA = 0;
    std::uint16_t offsetB = 0;
    std::uint16_t offsetC = 0;
    std::uint16_t pattern = 0; // 0..5
    std::uint16_t phase = 0;   // the phase mod 256
    friend bool operator==(const FrameColours&, const FrameColours&) = default;
};

// Which term (0 for A, 1 for B, 2 for C) red, green and blue take, as a type, so that a loop over
// the canvas is compiled for each pattern with nothing left to choose per pixel.
template <int Red, int Green, int Blue>
struct ChannelOrder {};

// Calls the function with the channel order of the pattern.
template <typename Function>
[[gnu::always_inline]] constexpr auto WithChannelOrder(std::uint16_t pattern, Function&& function)
{
    switch (pattern) {
    case 0:
        return function(ChannelOrder<0, 1, 2>{});
    case 1:
        return function(ChannelOrder<0, 2, 1>{});
    case 2:
        return function(ChannelOrder<1, 0, 2>{});
    case 3:
        return function(ChannelOrder<1, 2, 0>{});
    case 4:
        return function(ChannelOrder<2, 1, 0>{});
    default:
        return function(ChannelOrder<2, 0, 1>{});
    }
}

// The pixel of every dot whose index is `index` mod 256. Everything is 16 bits wide, the pixel
// made of two 16-bit halves, so that a vectorised loop works on twice as many pixels at a time.
// Only the low byte of each sum counts, and carries only go upwards, so the sums are cut to a byte
// only as each channel takes its place in the pixel.
template <int Red, int Green, int Blue>
constexpr TPixel PixelOfIndex(const FrameColours& colours, std::uint16_t index, ChannelOrder<Red, Green, Blue>)
{
    const auto k = static_cast<std::uint16_t>(index + colours.phase);
    const auto kSquared = static_cast<std::uint16_t>(k * k);
    const std::uint16_t terms[] = {static_cast<std::uint16_t>(colours.offsetA + k),
                                   static_cast<std::uint16_t>(colours.offsetB + kSquared),
                                   static_cast<std::uint16_t>(colours.offsetC + k + kSquared)};
    const auto alphaRed = static_cast<std::uint16_t>(kOpaque >> 16 | terms[Red]);
    const auto greenBlue = static_cast<std::uint16_t>(terms[Green] << 8 | (terms[Blue] & 0xFF));
    return TPixel{alphaRed} << 16 | greenBlue;
}

constexpr TPixel PixelOfIndex(const FrameColours& colours, std::uint16_t index)
{
    return WithChannelOrder(colours.pattern, [&](auto order) { return PixelOfIndex(colours, index, order); });
}

} // namespace glintfall
