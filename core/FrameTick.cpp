#include "FrameTick.h"

#include "ColorPattern.h"
#include "FrameHost.h"
#include "Scene.h"
#include "WrapMath.h"

#include <optional>

namespace glintfall {

namespace {

// Where the canvas's top-left lies inside the window's outer rectangle, as the program has always
// assumed: fixed numbers, not read from the window manager.
constexpr std::int32_t kCanvasOffsetX = 2;
constexpr std::int32_t kCanvasOffsetY = 26;

// Compared as a signed number, so a last frame "in the future" (up to 2^31 - 1 ms) is not due.
std::int32_t SinceLastFrame(const Scene& scene, std::uint32_t now)
{
    return static_cast<std::int32_t>(now - static_cast<std::uint32_t>(scene.lastFrameTime));
}

bool IsDue(const Scene& scene, std::uint32_t now)
{
    return SinceLastFrame(scene, now) >= static_cast<std::int32_t>(kFrameIntervalMs);
}

bool InsideWindow(std::int32_t rx, std::int32_t ry, const TRect& window)
{
    return rx >= 0 && ry >= 0 && ry <= window.height && rx <= window.width;
}

// Two pairs are always recorded after a clear, even with a still cursor; from then on a pair is
// recorded only when the cursor has left the last primary dot.
bool RepeatsLastPrimary(const Trail& dots, std::int32_t px, std::int32_t py)
{
    if (dots.Length() < 4)
        return false;
    const TDot& last = dots[dots.Length() - 2];
    return last.x == px && last.y == py;
}

// The primary dot of the pair that AddDotPair records for this cursor, if it records one.
std::optional<TDot> PrimaryToRecord(const Scene& scene, FrameHost& host)
{
    const TPoint cursor = host.CursorPos();
    const TRect window = host.WindowRect();
    const std::int32_t rx = WrapSub(cursor.x, window.left);
    const std::int32_t ry = WrapSub(cursor.y, window.top);
    if (!InsideWindow(rx, ry, window))
        return std::nullopt;
    const std::int32_t px = WrapSub(rx, kCanvasOffsetX);
    const std::int32_t py = WrapSub(ry, kCanvasOffsetY);
    if (RepeatsLastPrimary(scene.dots, px, py))
        return std::nullopt;
    return TDot{px, py, 1};
}

std::int32_t MirrorOf(std::int32_t coordinate, std::int32_t extent)
{
    const auto half = static_cast<std::int32_t>(static_cast<std::uint32_t>(extent) >> 1);
    return WrapSub(WrapAdd(half, half), coordinate);
}

} // namespace

std::uint32_t MsUntilDue(const Scene& scene, std::uint32_t now)
{
    if (IsDue(scene, now))
        return 0;
    return kFrameIntervalMs - static_cast<std::uint32_t>(SinceLastFrame(scene, now));
}

bool NothingCanChange(const Scene& scene, FrameHost& host)
{
    if (scene.cycling || !scene.backBmp || !scene.dots.IsShownOn(*scene.backBmp, CurrentColours(scene)))
        return false;
    return !scene.recording || !PrimaryToRecord(scene, host);
}

void AEIdle(Scene& scene, FrameHost& host, bool& Done)
{
    Done = false;
    const std::uint32_t now = host.NowMs();
    if (!IsDue(scene, now)) {
        host.SleepOneMs();
        return;
    }
    scene.lastFrameTime = static_cast<std::int32_t>(now);
    if (scene.cycling)
        scene.phase = WrapAdd(scene.phase, 1);
    ComposeFrame(scene, host);
    if (scene.recording)
        AddDotPair(scene, host);
}

void ComposeFrame(Scene& scene, FrameHost& host)
{
    const Damage& changed = scene.dots.Render(CurrentColours(scene), *scene.backBmp);
    host.PresentFrame(*scene.backBmp, changed);
}

void AddDotPair(Scene& scene, FrameHost& host)
{
    const std::optional<TDot> primary = PrimaryToRecord(scene, host);
    if (!primary)
        return;
    scene.dots.Append(*primary);
    scene.dots.Append({MirrorOf(primary->x, scene.backBmp->Width()), MirrorOf(primary->y, scene.backBmp->Height()), 1});
}

void ClearTrail(Scene& scene)
{
    scene.dots.Clear();
}

} // namespace glintfall
