#pragma once

#include "Color.h"

#include <array>
#include <cstdint>

namespace glintfall {

// How one colour channel follows the trail. With k the dot's index plus the phase, a channel is
// (offset + k + k·k) mod 256, where the pattern leaves out k, k·k, or neither. Only k mod 256
// counts, so the colours repeat every 256 dots. Each term is kept as a mask, all ones where it
// counts, so that a loop over the canvas computes every pixel the same way and vectorises.
struct ChannelRule {
    std::uint16_t offset = 0;
    std::uint16_t kMask = 0;
    std::uint16_t kSquaredMask = 0;
    friend bool operator==(const ChannelRule&, const ChannelRule&) = default;
};

inline constexpr std::uint16_t kTermCounts = 0xFFFF;

// The colours of one frame: the rules of red, green and blue, and the phase mod 256.
struct FrameColours {
    ChannelRule red;
    ChannelRule green;
    ChannelRule blue;
    std::uint16_t phase = 0;
    friend bool operator==(const FrameColours&, const FrameColours&) = default;
};

// The pixel of every dot whose index is `index` mod 256. Everything is 16 bits wide, the pixel
// made of two 16-bit halves, so that a vectorised loop works on twice as many pixels at a time.
constexpr TPixel PixelOfIndex(const FrameColours& colours, std::uint16_t index)
{
    const auto k = static_cast<std::uint16_t>((index + colours.phase) & 0xFF);
    const auto kSquared = static_cast<std::uint16_t>((k * k) & 0xFF);
    const auto channel = [k, kSquared](const ChannelRule& rule) {
        return static_cast<std::uint16_t>((rule.offset + (k & rule.kMask) + (kSquared & rule.kSquaredMask)) & 0xFF);
    };
    const auto alphaRed = static_cast<std::uint16_t>(kOpaque >> 16 | channel(colours.red));
    const auto greenBlue = static_cast<std::uint16_t>(channel(colours.green) << 8 | channel(colours.blue));
    return TPixel{alphaRed} << 16 | greenBlue;
}

} // namespace glintfall
