#include "ColorPattern.h"

#include "Scene.h"


namespace glintfall {

TColor DotColor(const Scene& scene, std::int32_t i)
{
    return PixelToColor(PixelOfIndex(CurrentColours(scene), static_cast<std::uint16_t>(i)));
}

// Only the low 8 bits of each sum count, so every value is taken mod 256 from the start.
FrameColours CurrentColours(const Scene& scene)
{
    const auto byte = [](std::int32_t value) { return static_cast<std::uint16_t>(value & 0xFF); };
    return {byte(scene.offsetA), byte(scene.offsetB), byte(scene.offsetC),
            static_cast<std::uint16_t>(scene.pattern), byte(scene.phase)};
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
