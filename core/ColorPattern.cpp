#include "ColorPattern.h"

#include "Scene.h"
#include "WrapMath.h"

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
    const std::int32_t k = WrapAdd(i, scene.phase);
    const std::int32_t kk = WrapMul(k, k);
    const std::array<std::uint8_t, 3> terms{
        static_cast<std::uint8_t>(WrapAdd(scene.offsetA, k)),
        static_cast<std::uint8_t>(WrapAdd(kk, scene.offsetB)),
        static_cast<std::uint8_t>(WrapAdd(WrapAdd(kk, scene.offsetC), k)),
    };
    const auto& channel = kChannelTerms.at(static_cast<std::size_t>(scene.pattern));
    return RGB(terms[channel[0]], terms[channel[1]], terms[channel[2]]);
}

StampPalette MakeStampPalette(const Scene& scene)
{
    StampPalette palette;
    palette[0] = kBlackPixel;
    for (std::int32_t j = 0; j < 256; ++j)
        palette[static_cast<std::size_t>(j) + 1] = ColorToPixel(DotColor(scene, j));
    return palette;
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
