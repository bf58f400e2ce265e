#include "FakeHost.h"
#include "ColorPattern.h"
#include "FrameTick.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

namespace glintfall {
namespace {

struct FrameTickTest : ::testing::Test {
    Scene MakeScene()
    {
        Scene scene(host.clock);
        scene.backBmp = std::make_unique<TABitmap>(kCanvasSize, kCanvasSize);
        return scene;
    }

    // One call of the tick, as the event loop makes it.
    bool Tick(Scene& scene)
    {
        bool done = true;
        AEIdle(scene, host, done);
        return done;
    }

    FakeHost host;
};

TEST_F(FrameTickTest, firstTickDrawsWhateverTheClockReads)
{
    for (const std::uint32_t clock : {0u, 8u, 0x7FFFFFFFu, 0x80000000u, 0x80000009u, 0xFFFFFFFFu}) {
        host.clock = clock;
        host.framesPresented = 0;
        Scene scene = MakeScene();
        EXPECT_FALSE(Tick(scene));
        EXPECT_EQ(host.framesPresented, 1) << "clock " << clock;
        EXPECT_EQ(static_cast<std::uint32_t>(scene.lastFrameTime), clock);
    }
}

TEST_F(FrameTickTest, framesAreNineMillisecondsApartAcrossTheClockWrap)
{
    struct Row {
        std::uint32_t lastFrame;
        std::uint32_t now;
        bool due;
    };
    const Row rows[] = {
        {1000, 1008, false}, {1000, 1009, true},     {0xFFFFFFFBu, 3, false},
        {0xFFFFFFFBu, 4, true}, {0x7FFFFFFFu, 0x80000008u, true},
        // The difference is signed: a last frame up to 2^31 - 1 ms ahead of the clock is not due,
        // nor one exactly 2^31 ahead, whose difference reads as the most negative number.
        {1000, 999, false},
        {1000 + 0x7FFFFFFFu, 1000, false},
        {5, 0xFFFFFFFEu, false},           // 7 ms ahead, across the wrap
        {0x7FFFFFFEu, 0xFFFFFFFFu, false}, // 2^31 - 1 ahead, across the wrap
        {0x80000010u, 0x0000000Fu, true},  // 2^31 - 1 behind, across the wrap
        {0x80000000u, 0, false},
        {0, 0x7FFFFFFFu, true},
    };
    for (const Row& row : rows) {
        Scene scene = MakeScene();
        scene.lastFrameTime = static_cast<std::int32_t>(row.lastFrame);
        host.clock = row.now;
        host.framesPresented = host.sleeps = 0;
        EXPECT_FALSE(Tick(scene));
        EXPECT_EQ(host.framesPresented, row.due ? 1 : 0) << row.lastFrame << " -> " << row.now;
        EXPECT_EQ(host.sleeps, row.due ? 0 : 1);
    }
}

TEST_F(FrameTickTest, timeUntilDueMatchesTheDueTest)
{
    struct Row {
        std::uint32_t lastFrame;
        std::uint32_t now;
        std::uint32_t untilDue;
    };
    const Row rows[] = {
        {1000, 1000, 9},        {1000, 1008, 1},           {1000, 1009, 0},
        {1000, 5000, 0},        {0xFFFFFFFBu, 3, 1},       {0xFFFFFFFBu, 4, 0},
        {1010, 1000, 19},       {0x7FFFFFFFu + 1000, 1000, 0x80000008u},
    };
    for (const Row& row : rows) {
        Scene scene = MakeScene();
        scene.lastFrameTime = static_cast<std::int32_t>(row.lastFrame);
        EXPECT_EQ(MsUntilDue(scene, row.now), row.untilDue) << row.lastFrame << " -> " << row.now;
        // Waiting that long makes the tick due, and not a millisecond sooner.
        host.framesPresented = 0;
        if (row.untilDue > 0) {
            host.clock = row.now + row.untilDue - 1;
            Tick(scene);
            EXPECT_EQ(host.framesPresented, 0);
        }
        host.clock = row.now + row.untilDue;
        Tick(scene);
        EXPECT_EQ(host.framesPresented, 1) << row.lastFrame << " -> " << row.now;
    }
}

// A late frame starts the interval anew: it does not catch up on the frames it missed.
TEST_F(FrameTickTest, framesAfterAStallStayNineMillisecondsApart)
{
    Scene scene = MakeScene();
    const std::pair<std::uint32_t, bool> ticks[] = {{1000, true}, {1100, true}, {1101, false}, {1108, false},
                                                    {1109, true}};
    for (const auto& [now, drawn] : ticks) {
        host.clock = now;
        const int before = host.framesPresented;
        Tick(scene);
        EXPECT_EQ(host.framesPresented - before, drawn ? 1 : 0) << "tick at " << now;
    }
}

// From a settled scene (a still cursor on the canvas, its two pairs drawn), each change takes a
// number of frames until nothing can change again; while the colours flow, something always can.
TEST_F(FrameTickTest, nothingCanChangeOnceEveryChangeIsDrawnAndRecorded)
{
    struct Row {
        const char* change;
        void (*apply)(Scene&, FakeHost&);
        int framesToSettle; // -1: never
    };
    const Row rows[] = {
        {"none", [](Scene&, FakeHost&) {}, 0},
        {"cleared trail", [](Scene& scene, FakeHost&) { ClearTrail(scene); }, 3},
        {"colours flowing", [](Scene& scene, FakeHost&) { scene.cycling = true; }, -1},
        {"phase stepped", [](Scene& scene, FakeHost&) { ++scene.phase; }, 1},
        {"new pattern", [](Scene& scene, FakeHost&) { RandomizePattern(scene); }, 1},
        {"surface drawn on", [](Scene& scene, FakeHost&) { scene.backBmp->SetPixel(1, 1, 0); }, 1},
        {"pointer moved", [](Scene&, FakeHost& host) { host.PointAtCanvas(101, 50); }, 2},
        {"pointer on the title bar", [](Scene&, FakeHost& host) { host.cursor.y = host.window.top + 5; }, 1},
        {"pointer outside", [](Scene&, FakeHost& host) { host.cursor.y = host.window.top - 1; }, 0},
        {"window moved", [](Scene&, FakeHost& host) { host.window.left += 3; }, 2},
        {"pointer moved, not recording", [](Scene& scene, FakeHost& host) {
             scene.recording = false;
             host.PointAtCanvas(200, 200);
         }, 0},
    };
    for (const Row& row : rows) {
        Scene scene = MakeScene();
        host.PointAtCanvas(100, 50);
        for (int frame = 0; frame < 3; ++frame, host.clock += 9)
            Tick(scene);
        ASSERT_TRUE(NothingCanChange(scene, host));
        row.apply(scene, host);
        int frames = 0;
        for (; frames < 5 && !NothingCanChange(scene, host); ++frames, host.clock += 9)
            Tick(scene);
        EXPECT_EQ(frames, row.framesToSettle < 0 ? 5 : row.framesToSettle) << row.change;
    }
}

TEST_F(FrameTickTest, tickThatIsNotDueChangesNothing)
{
    Scene scene = MakeScene();
    scene.cycling = true;
    host.PointAtCanvas(10, 10);
    Tick(scene);
    const std::int32_t phase = scene.phase;
    const std::int32_t last = scene.lastFrameTime;
    host.PointAtCanvas(20, 20);
    host.clock += 8;
    Tick(scene);
    EXPECT_EQ(scene.phase, phase);
    EXPECT_EQ(scene.lastFrameTime, last);
    EXPECT_EQ(scene.dotCount(), 2);
}

TEST_F(FrameTickTest, phaseGrowsOncePerDrawnFrameNotPerCall)
{
    Scene scene = MakeScene();
    scene.cycling = true;
    for (int call = 0; call < 100; ++call)
        Tick(scene);
    EXPECT_GT(host.sleeps, 0);
    EXPECT_EQ(scene.phase, host.framesPresented);
    // A frame, then eight calls that sleep until 9 ms have passed: one frame per ten calls.
    EXPECT_EQ(host.framesPresented, 10);
}

TEST_F(FrameTickTest, cyclingOffKeepsThePhaseWhetherRecordingOrNot)
{
    for (const bool recording : {true, false}) {
        Scene scene = MakeScene();
        scene.phase = 7;
        scene.recording = recording;
        for (int frame = 0; frame < 4; ++frame) {
            host.PointAtCanvas(frame * 10, 5);
            Tick(scene);
            host.clock += 9;
        }
        EXPECT_EQ(scene.phase, 7) << "recording " << recording;
    }
    EXPECT_EQ(host.framesPresented, 8);
}

TEST_F(FrameTickTest, phaseWrapsFromLargestToSmallest)
{
    Scene scene = MakeScene();
    scene.cycling = true;
    scene.phase = INT_MAX;
    Tick(scene);
    EXPECT_EQ(scene.phase, INT_MIN);
}

TEST_F(FrameTickTest, recordingOffKeepsTheTrailButStillDrawsAndCycles)
{
    Scene scene = MakeScene();
    scene.recording = false;
    scene.cycling = true;
    for (int frame = 0; frame < 3; ++frame) {
        host.PointAtCanvas(frame * 10, 5);
        Tick(scene);
        host.clock += 9;
    }
    EXPECT_EQ(scene.dotCount(), 0);
    EXPECT_EQ(host.framesPresented, 3);
    EXPECT_EQ(scene.phase, 3);
}

TEST_F(FrameTickTest, pairRecordedInATickIsDrawnInTheNext)
{
    Scene scene = MakeScene();
    scene.offsetA = 200; // makes dot 0 visible
    host.PointAtCanvas(100, 50);
    Tick(scene);
    EXPECT_EQ(host.lastFrame.Pixel(100, 50), kBlackPixel);
    host.clock += 9;
    Tick(scene);
    EXPECT_NE(host.lastFrame.Pixel(100, 50), kBlackPixel);
    EXPECT_NE(host.lastFrame.Pixel(380, 430), kBlackPixel);
}

TEST_F(FrameTickTest, unreadableCursorFailsAfterTheFrameAndLeavesTheTrail)
{
    Scene scene = MakeScene();
    host.cursorError = TOSError::FromCode(5, "Access is denied.");
    bool done = true;
    try {
        AEIdle(scene, host, done);
        FAIL() << "the failure must leave the tick";
    } catch (const TOSError& error) {
        EXPECT_STREQ(error.what(), "System Error.  Code: 5.\nAccess is denied.");
    }
    EXPECT_FALSE(done);
    EXPECT_EQ(host.framesPresented, 1);
    EXPECT_EQ(scene.dotCount(), 0);
    EXPECT_STREQ(TOSError::WithoutCode().what(), "A call to an OS function failed");
}

} // namespace
} // namespace glintfall
