#include "Damage.h"
#include "FakeHost.h"
#include "FrameTick.h"
#include "LiteralCompose.h"
#include "Scene.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <memory>
#include <random>

namespace glintfall {
namespace {

// A cursor wandering over and around the window, recorded the way the frame tick records it.
class WanderingCursor {
public:
    explicit WanderingCursor(FakeHost& host)
        : m_host(host)
    {
    }

    void Step()
    {
        m_x = std::clamp(m_x + m_step(m_random), -60, 560);
        m_y = std::clamp(m_y + m_step(m_random), -60, 600);
        m_host.cursor = {m_host.window.left + m_x, m_host.window.top + m_y};
    }

private:
    FakeHost& m_host;
    std::mt19937 m_random{42};
    std::uniform_int_distribution<int> m_step{-6, 6};
    int m_x = 240;
    int m_y = 260;
};

std::unique_ptr<Scene> SceneWithTrail(FakeHost& host, std::int64_t dotCount)
{
    auto scene = std::make_unique<Scene>(0);
    scene->backBmp = std::make_unique<TABitmap>(kCanvasSize, kCanvasSize);
    WanderingCursor cursor(host);
    while (scene->dotCount() < dotCount) {
        cursor.Step();
        AddDotPair(*scene, host);
    }
    return scene;
}

void BM_ComposeFrame(benchmark::State& state)
{
    FakeHost host;
    const std::size_t heapBefore = mallinfo2().uordblks;
    const auto scene = SceneWithTrail(host, state.range(0));
    const std::size_t heapAfter = mallinfo2().uordblks;
    for (auto _ : state) {
        scene->phase += 1;
        ComposeFrame(*scene, host);
        benchmark::DoNotOptimize(host.lastFrame.Pixels().data());
    }
    if (state.range(0) > 0)
        state.counters["bytes_per_dot"] = static_cast<double>(heapAfter - heapBefore) / state.range(0);
}
BENCHMARK(BM_ComposeFrame)->Arg(0)->Arg(1000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

// The floor a frame cannot go below: copying one frame of the canvas's size, as a plain memcpy.
void BM_FrameFloor(benchmark::State& state)
{
    const TABitmap from(kCanvasSize, kCanvasSize);
    TABitmap to(kCanvasSize, kCanvasSize);
    const std::span<const TPixel> source = from.Pixels();
    const std::span<TPixel> target = to.WritablePixels();
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size_bytes());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameFloor)->Unit(benchmark::kMicrosecond);

void BM_ComposeFrameLiteral(benchmark::State& state)
{
    FakeHost host;
    const auto scene = SceneWithTrail(host, state.range(0));
    Damage whole;
    whole.Add({0, 0, kCanvasSize, kCanvasSize});
    for (auto _ : state) {
        scene->phase += 1;
        ComposeFrameLiteral(*scene, *scene->backBmp);
        host.PresentFrame(*scene->backBmp, whole);
        benchmark::DoNotOptimize(host.lastFrame.Pixels().data());
    }
}
BENCHMARK(BM_ComposeFrameLiteral)->Arg(0)->Arg(1000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMicrosecond);

// One tick while someone draws, with the colours still: the pair recorded by the tick before is
// drawn and presented, and the pointer, which has moved on, is recorded as a new pair.
void BM_DrawFrame(benchmark::State& state)
{
    FakeHost host;
    const auto scene = SceneWithTrail(host, state.range(0));
    std::int32_t step = 0;
    const auto tickAtTheNextPixel = [&] {
        host.clock += kFrameIntervalMs;
        ++step;
        host.PointAtCanvas(40 + step % 400, 40 + step / 400 % 400);
        bool done = true;
        AEIdle(*scene, host, done);
    };
    tickAtTheNextPixel(); // the first frame, drawn whole
    for (auto _ : state)
        tickAtTheNextPixel();
    if (host.lastChanged.size() != 2)
        state.SkipWithError("a drawing frame did not present just its two dots");
}
BENCHMARK(BM_DrawFrame)->Arg(0)->Arg(10000000)->Unit(benchmark::kMicrosecond);

// Appending one pair to a trail that already holds the given number of dots.
void BM_AddDotPair(benchmark::State& state)
{
    FakeHost host;
    const auto scene = SceneWithTrail(host, state.range(0));
    WanderingCursor cursor(host);
    for (auto _ : state) {
        cursor.Step();
        AddDotPair(*scene, host);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddDotPair)->Arg(0)->Arg(10000000);

} // namespace
} // namespace glintfall
