#pragma once

#include "Color.h"
#include "FrameColours.h"

#include <cstdint>

namespace glintfall {

struct Scene;

// The colour of trail index i at the scene's phase, offsets and pattern.
TColor DotColor(const Scene& scene, std::int32_t i);

// The colours of every dot at the scene's phase, offsets and pattern.
FrameColours CurrentColours(const Scene& scene);

// Draws new offsets and a new channel permutation; the phase and the trail stay as they are.
void RandomizePattern(Scene& scene);

// The program's own linear congruential generator: an integer in 0..n-1 for n >= 1.
std::int32_t RandomBelow(std::uint32_t& randSeed, std::int32_t n);

} // namespace glintfall
