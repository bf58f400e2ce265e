#include "ColorPattern.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <tuple>

namespace glintfall {
namespace {

TEST(ColorPatternTest, startUpColoursAlongTheTrail)
{
    const Scene scene(0);
    const std::pair<std::int32_t, TColor> rows[] = {
        {0, RGB(0, 0, 0)},     {1, RGB(1, 1, 2)},   {2, RGB(2, 4, 6)},
        {16, RGB(16, 0, 16)},  {255, RGB(255, 1, 0)}, {256, RGB(0, 0, 0)},
        {254, RGB(254, 4, 2)}, // k·k + k is 258: nothing of it may spill into the next channel
    };
    for (const auto& [index, color] : rows)
        EXPECT_EQ(DotColor(scene, index), color) << "dot " << index;
}

TEST(ColorPatternTest, patternsAssignTheTermsToTheChannels)
{
    Scene scene(0);
    scene.offsetA = 10; // at k = 0 the terms are A = 10, B = 20, C = 30
    scene.offsetB = 20;
    scene.offsetC = 30;
    const TColor expected[] = {RGB(10, 20, 30), RGB(10, 30, 20), RGB(20, 10, 30),
                               RGB(20, 30, 10), RGB(30, 20, 10), RGB(30, 10, 20)};
    for (std::int32_t pattern = 0; pattern < 6; ++pattern) {
        scene.pattern = pattern;
        EXPECT_EQ(DotColor(scene, 0), expected[pattern]) << "pattern " << pattern;
    }
}

// (offsetA, offsetB, offsetC, pattern) after each of the first twenty presses of light in a run,
// worked out from the generator's rule apart from this code. All six patterns come up.
TEST(ColorPatternTest, firstTwentyPatternsOfEveryRun)
{
    Scene scene(0);
    const std::tuple<int, int, int, int> expected[] = {
        {0, 8, 220, 1},     {69, 171, 81, 0},   {95, 108, 20, 2},   {18, 215, 15, 1},
        {234, 94, 198, 1},  {178, 216, 183, 1}, {41, 84, 119, 1},   {211, 71, 123, 0},
        {223, 73, 197, 5},  {126, 227, 211, 0}, {36, 36, 128, 0},   {151, 2, 198, 3},
        {197, 181, 142, 1}, {174, 151, 244, 3}, {255, 62, 173, 1},  {21, 197, 126, 5},
        {130, 146, 244, 4}, {86, 1, 180, 5},    {198, 191, 50, 0},  {233, 200, 150, 5},
    };
    for (std::size_t press = 0; press < std::size(expected); ++press) {
        RandomizePattern(scene);
        EXPECT_EQ(std::tuple(scene.offsetA, scene.offsetB, scene.offsetC, scene.pattern), expected[press])
            << "press " << press + 1;
    }
    EXPECT_EQ(scene.phase, 0);
}

TEST(ColorPatternTest, firstRandomPatternColours)
{
    Scene scene(0);
    RandomizePattern(scene);
    EXPECT_EQ(DotColor(scene, 0), RGB(0, 220, 8));
    EXPECT_EQ(DotColor(scene, 1), RGB(1, 222, 9));
}

TEST(ColorPatternTest, phaseShiftsAndWrapsTheCycle)
{
    Scene scene(0);
    scene.phase = -1;
    EXPECT_EQ(DotColor(scene, 0), RGB(255, 1, 0));

    Scene reference(0);
    scene.phase = INT_MAX;
    for (std::int32_t i = 0; i < 300; ++i) // INT_MAX + 1 wraps to INT_MIN, which is 0 mod 256
        EXPECT_EQ(DotColor(scene, i + 1), DotColor(reference, i)) << "dot " << i;
    EXPECT_EQ(DotColor(scene, INT_MAX), DotColor(reference, 254));
}

TEST(ColorPatternTest, randomBelowOneIsZeroAndStillAdvances)
{
    std::uint32_t seed = 0;
    EXPECT_EQ(RandomBelow(seed, 1), 0);
    EXPECT_EQ(seed, 1u);
    EXPECT_EQ(RandomBelow(seed, 1), 0);
    EXPECT_EQ(seed, 134775814u);
}

TEST(ColorPatternTest, colourBecomesPixelWithBlueInTheLowestByte)
{
    EXPECT_EQ(ColorToPixel(RGB(0x11, 0x22, 0x33)), 0xFF112233u);
    EXPECT_EQ(PixelToColor(0xFF112233u), RGB(0x11, 0x22, 0x33));
}

} // namespace
} // namespace glintfall
