#include "ColorPattern.h"
#include "Scene.h"

#include <gtest/gtest.h>

namespace glintfall {
namespace {

TEST(SceneTest, resetGivesTheStartValuesAndKeepsTheRandomSequence)
{
    Scene scene(0);
    scene.phase = 5;
    scene.recording = false;
    scene.cycling = true;
    for (int press = 0; press < 3; ++press)
        RandomizePattern(scene); // offsets 95, 108, 20 and pattern 2
    const std::uint32_t seed = scene.randSeed;

    scene.Reset();
    EXPECT_EQ(scene.phase, 0);
    EXPECT_TRUE(scene.recording);
    EXPECT_FALSE(scene.cycling);
    EXPECT_EQ(scene.offsetA, 0);
    EXPECT_EQ(scene.offsetB, 0);
    EXPECT_EQ(scene.offsetC, 0);
    EXPECT_EQ(scene.pattern, 0);
    // The n-th press of light gives the same pattern in every run, so nothing reseeds.
    EXPECT_EQ(scene.randSeed, seed);
}

} // namespace
} // namespace glintfall
