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
    std::uint32_t offset = 0;
    std::uint32_t kMask = 0;
    std::uint32_t kSquaredMask = 0;
    friend bool operator==(const ChannelRule&, const ChannelRule&) = default;
};

inline constexpr std::uint32_t kTermCounts = 0xFFFFFFFFu;

// The colours of one frame: the rules of red, green and blue, and the phase mod 256.
struct FrameColours {
    ChannelRule red;
    ChannelRule green;
    ChannelRule blue;
    std::uint32_t phase = 0;
    friend bool operator==(const FrameColours&, const FrameColours&) = default;
};

// The pixel of every dot whose index is `index` mod 256.
constexpr TPixel PixelOfIndex(const FrameColours& colours, std::uint32_t index)
{
    const std::uint32_t k = (index + colours.phase) & 0xFFu;
    const std::uint32_t kSquared = (k * k) & 0xFFu;
    const auto channel = [k, kSquared](const ChannelRule& rule) {
        return (rule.offset + (k & rule.kMask) + (kSquared & rule.kSquaredMask)) & 0xFFu;
    };
    return kOpaque | channel(colours.red) << 16 | channel(colours.green) << 8 | channel(colours.blue);
}

} // namespace glintfall
