#include "ColorPattern.h"

#include "Scene.h"

#include <array>

namespace glintfall {

namespace {

// Which of the terms A, B, C goes to red, green and blue, by pattern.
constexpr std::array<std::array<int, 3>, 6> kChannelTerms{{
    {0, 1, 2},
    {0, 2, 1},
    {1, 0, 2},
    {1, 2, 0},
    {2, 1, 0},
    {2, 0, 1},
}};

} // namespace

TColor DotColor(const Scene& scene, std::int32_t i)
{
    return PixelToColor(PixelOfIndex(CurrentColours(scene), static_cast<std::uint16_t>(i)));
}

// Only the low 8 bits of each sum count, so every term is taken mod 256 from the start.
FrameColours CurrentColours(const Scene& scene)
{
    const auto byte = [](std::int32_t value) { return static_cast<std::uint16_t>(value & 0xFF); };
    // A = offsetA + k, B = k·k + offsetB, C = k·k + offsetC + k.
    const std::array<ChannelRule, 3> terms{{
        {byte(scene.offsetA), kTermCounts, 0},
        {byte(scene.offsetB), 0, kTermCounts},
        {byte(scene.offsetC), kTermCounts, kTermCounts},
    }};
    const auto& order = kChannelTerms.at(static_cast<std::size_t>(scene.pattern));
    return {terms[order[0]], terms[order[1]], terms[order[2]], byte(scene.phase)};
}

void RandomizePattern(Scene& scene)
{
    scene.offsetA = RandomBelow(scene.randSeed, 256);
    scene.offsetB = RandomBelow(scene.randSeed, 256);
    scene.offsetC = RandomBelow(scene.randSeed, 256);
    scene.pattern = RandomBelow(scene.randSeed, 6);
}

std::int32_t RandomBelow(std::uint32_t& randSeed, std::int32_t n)
{
    randSeed = randSeed * 134775813u + 1u;
    const std::uint64_t product = std::uint64_t{randSeed} * static_cast<std::uint32_t>(n);
    return static_cast<std::int32_t>(product >> 32);
}

} // namespace glintfall
