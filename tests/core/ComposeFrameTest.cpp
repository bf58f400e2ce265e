#include "ColorPattern.h"
#include "FakeHost.h"
#include "FrameTick.h"
#include "LiteralCompose.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>
#include <random>
#include <utility>

namespace glintfall {
namespace {

struct ComposeFrameTest : ::testing::Test {
    ComposeFrameTest() { scene.backBmp = std::make_unique<TABitmap>(kCanvasSize, kCanvasSize); }

    // The frame ComposeFrame presents, next to the frame of the literal per-dot redraw.
    std::pair<TABitmap, TABitmap> BothFrames()
    {
        ComposeFrame(scene, host);
        ComposeFrameLiteral(scene, literal);
        return {host.lastFrame, literal};
    }

    TABitmap literal{kCanvasSize, kCanvasSize};

    FakeHost host;
    Scene scene{0};
};

TEST_F(ComposeFrameTest, emptyTrailGivesABlackFrame)
{
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastFrame, TABitmap(kCanvasSize, kCanvasSize));
}

TEST_F(ComposeFrameTest, dotsOnTheEdgesAreClipped)
{
    scene.offsetA = 100; // no dot index is black in this pattern's red channel
    for (const TDot dot : {TDot{-1, 5, 1}, TDot{480, 0, 1}, TDot{5, -1, 1}, TDot{0, 480, 1}})
        scene.dots.Append(dot);
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastFrame, TABitmap(kCanvasSize, kCanvasSize));

    scene.dots.Append({479, 479, 1});
    scene.dots.Append({0, 0, 1});
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastFrame.Pixel(479, 479), ColorToPixel(DotColor(scene, 4)));
    EXPECT_EQ(host.lastFrame.Pixel(0, 0), ColorToPixel(DotColor(scene, 5)));
}

TEST_F(ComposeFrameTest, firstDotOfAFreshTrailIsInvisible)
{
    scene.dots.Append({10, 10, 1});
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastFrame.Pixel(10, 10), kBlackPixel);
}

TEST_F(ComposeFrameTest, unchangedFrameLeavesTheSurfaceUntouched)
{
    scene.dots.Append({3, 3, 1});
    ComposeFrame(scene, host);
    const std::uint64_t stamp = scene.backBmp->ContentStamp();
    ComposeFrame(scene, host);
    EXPECT_EQ(scene.backBmp->ContentStamp(), stamp);
    EXPECT_TRUE(host.lastChanged.empty());
    scene.phase += 1;
    ComposeFrame(scene, host);
    EXPECT_NE(scene.backBmp->ContentStamp(), stamp);
    EXPECT_EQ(host.lastChanged, (std::vector<TArea>{{0, 0, 480, 480}}));
}

// A pair's dots lie on opposite sides of the centre: each is presented on its own, not the
// canvas between them. Only past a handful of areas in one frame are they merged.
TEST_F(ComposeFrameTest, changedAreasAreThoseOfTheNewDots)
{
    ComposeFrame(scene, host);
    scene.dots.Append({100, 50, 1});
    scene.dots.Append({380, 430, 1});
    scene.dots.Append({100, 50, 1});
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastChanged, (std::vector<TArea>{{100, 50, 101, 51}, {380, 430, 381, 431}}));
    for (int i = 0; i <= static_cast<int>(Damage::kMostAreas); ++i)
        scene.dots.Append({10 * i, 20 + i, 1});
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastChanged, (std::vector<TArea>{{0, 20, 81, 29}}));
    // A clear after a pair in the same frame: the whole canvas is kept, though it covers the
    // pair's areas listed before it, and no old dot stays on the canvas.
    scene.dots.Append({200, 210, 1});
    scene.dots.Append({280, 270, 1});
    ClearTrail(scene);
    ComposeFrame(scene, host);
    EXPECT_NE(std::ranges::find(host.lastChanged, TArea{0, 0, 480, 480}), host.lastChanged.end());
    EXPECT_EQ(host.lastFrame, TABitmap(kCanvasSize, kCanvasSize));
}

TEST_F(ComposeFrameTest, laterDotOverwritesEarlierOnTheSamePixel)
{
    for (int i = 0; i < 300; ++i)
        scene.dots.Append({7, 9, 1});
    ComposeFrame(scene, host);
    EXPECT_EQ(host.lastFrame.Pixel(7, 9), ColorToPixel(DotColor(scene, 299)));
}

// Whatever else draws on the surface between two frames, and however, the next frame is whole
// again, although nothing in the scene changed.
TEST_F(ComposeFrameTest, frameAfterSomethingElseDrewOnTheSurfaceIsWhole)
{
    const std::pair<const char*, std::function<void(TABitmap&)>> drawers[] = {
        {"SetPixel", [](TABitmap& surface) { surface.SetPixel(300, 300, 0xFFFFFFFFu); }},
        {"FillRect", [](TABitmap& surface) { surface.FillRect(5, 5, 20, 20, RGB(9, 9, 9)); }},
        {"FillBlack", [](TABitmap& surface) { surface.FillBlack(); }},
        {"WritableScanline", [](TABitmap& surface) { surface.WritableScanline(10)[10] = 0xFFFFFFFFu; }},
        {"WritablePixels", [](TABitmap& surface) { surface.WritablePixels()[0] = 0xFFFFFFFFu; }},
        {"SetSize", [](TABitmap& surface) { surface.SetSize(kCanvasSize, kCanvasSize); }},
        {"Assign", [](TABitmap& surface) {
             TABitmap other(kCanvasSize, kCanvasSize);
             other.FillRect(0, 0, 480, 480, RGB(1, 2, 3));
             surface.Assign(other);
         }},
    };
    scene.offsetA = 100; // no dot is black
    scene.dots.Append({10, 10, 1});
    scene.dots.Append({470, 470, 1});
    for (const auto& [name, draw] : drawers) {
        ComposeFrame(scene, host);
        draw(*scene.backBmp);
        const auto [fast, literal] = BothFrames();
        EXPECT_EQ(fast, literal) << "after " << name;
    }
}

// Random trails: wandering pairs, some off the canvas, some larger squares, with clears, changes of
// phase and pattern, and frames with nothing new between them. Every frame, whether redrawn whole
// or only where it changed, must match the literal redraw pixel for pixel.
TEST_F(ComposeFrameTest, matchesTheLiteralRedrawOnRandomTrails)
{
    std::mt19937 random(12345);
    auto coordinate = [&] { return std::uniform_int_distribution<std::int32_t>(-40, 520)(random); };
    for (int frame = 0; frame < 60; ++frame) {
        const int added = frame % 3 == 0 ? 0 : std::uniform_int_distribution<int>(0, 3000)(random);
        for (int i = 0; i < added; ++i) {
            const std::int32_t size = random() % 50 == 0 ? static_cast<std::int32_t>(random() % 7) - 1 : 1;
            scene.dots.Append({coordinate(), coordinate(), size});
        }
        if (frame % 4 == 1)
            scene.phase = static_cast<std::int32_t>(random());
        if (frame % 7 == 3)
            RandomizePattern(scene);
        if (frame % 13 == 8)
            scene.backBmp->FillBlack(); // someone else drew on the surface
        if (frame % 11 == 5)
            ClearTrail(scene);
        const auto [fast, literal] = BothFrames();
        ASSERT_EQ(fast, literal) << "frame " << frame << " with " << scene.dotCount() << " dots";
    }
}

} // namespace
} // namespace glintfall
