#include "FakeHost.h"
#include "FrameTick.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <vector>

namespace glintfall {
namespace {

struct TrailTest : ::testing::Test {
    TrailTest() { scene.backBmp = std::make_unique<TABitmap>(kCanvasSize, kCanvasSize); }

    std::vector<TDot> Dots() const
    {
        std::vector<TDot> dots;
        for (std::size_t i = 0; i < scene.dots.Length(); ++i)
            dots.push_back(scene.dots[i]);
        return dots;
    }

    // The cursor at (rx, ry) relative to the window's outer top-left corner.
    void PointAtWindow(std::int32_t rx, std::int32_t ry)
    {
        host.cursor = {host.window.left + rx, host.window.top + ry};
    }

    FakeHost host;
    Scene scene{0};
};

TEST_F(TrailTest, cursorPositionsGivePrimaryAndMirror)
{
    struct Row {
        std::int32_t rx, ry;
        std::vector<TDot> expected;
    };
    const std::int32_t w = host.window.width;
    const std::int32_t h = host.window.height;
    const Row rows[] = {
        {0, 0, {{-2, -26, 1}, {482, 506, 1}}},
        {102, 76, {{100, 50, 1}, {380, 430, 1}}},
        {w, 100, {{w - 2, 74, 1}, {482 - w, 406, 1}}},
        {100, h, {{98, h - 26, 1}, {382, 506 - h, 1}}},
        {2, 506, {{0, 480, 1}, {480, 0, 1}}},
        {w + 1, 100, {}},
        {100, h + 1, {}},
        {-1, 100, {}},
        {100, -1, {}},
    };
    for (const Row& row : rows) {
        ClearTrail(scene);
        PointAtWindow(row.rx, row.ry);
        AddDotPair(scene, host);
        EXPECT_EQ(Dots(), row.expected) << "rx " << row.rx << ", ry " << row.ry;
    }
}

TEST_F(TrailTest, stillCursorAddsTwoPairsThenNothing)
{
    host.PointAtCanvas(200, 100);
    for (int frame = 0; frame < 5; ++frame)
        AddDotPair(scene, host);
    EXPECT_EQ(scene.dotCount(), 4);
    EXPECT_EQ(scene.dots[0], scene.dots[2]);
    EXPECT_EQ(scene.dots[1], scene.dots[3]);
}

TEST_F(TrailTest, duplicateOnlyComparedWithLastPrimary)
{
    for (const auto& [x, y] : {std::pair{10, 10}, {10, 10}, {20, 20}, {10, 10}, {10, 10}}) {
        host.PointAtCanvas(x, y);
        AddDotPair(scene, host);
    }
    EXPECT_EQ(scene.dotCount(), 8);
    EXPECT_EQ(scene.dots[6], (TDot{10, 10, 1}));
}

TEST_F(TrailTest, clearEmptiesTheTrailAndReopensTheFirstTwoPairs)
{
    host.PointAtCanvas(50, 60);
    for (int frame = 0; frame < 3; ++frame)
        AddDotPair(scene, host);
    ClearTrail(scene);
    EXPECT_EQ(scene.dotCount(), 0);
    AddDotPair(scene, host);
    AddDotPair(scene, host);
    AddDotPair(scene, host);
    EXPECT_EQ(scene.dotCount(), 4);
}

TEST_F(TrailTest, farAwayWindowsWrapInsteadOfOverflowing)
{
    host.window = {INT32_MIN + 5, INT32_MAX - 5, 484, 539};
    host.cursor = {INT32_MAX, 0};
    AddDotPair(scene, host);
    EXPECT_EQ(scene.dotCount(), 0);
}

} // namespace
} // namespace glintfall
