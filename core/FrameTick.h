#pragma once

#include <cstdint>

namespace glintfall {

class FrameHost;
struct Scene;

// Frames are drawn at most once per this many milliseconds.
inline constexpr std::uint32_t kFrameIntervalMs = 9;

// Milliseconds from the clock reading `now` until the tick is next due; 0 when it is due now.
// A tick called earlier only sleeps, so the loop around it may sleep this long instead.
std::uint32_t MsUntilDue(const Scene& scene, std::uint32_t now);

// True when a tick now would present the frame already shown and record no pair: the colours stand
// still, the trail is drawn as it is, and recording is off or the cursor is outside the window or
// still on the last primary dot. Until something changes the scene, the cursor or the window, the
// loop around the tick need not call it.
bool NothingCanChange(const Scene& scene, FrameHost& host);

// The frame tick, called by the event loop whenever its queue is empty. Sets Done to false on
// every path so that the loop calls it again at once.
void AEIdle(Scene& scene, FrameHost& host, bool& Done);

// Draws the whole trail into the scene's surface and presents it on the canvas.
void ComposeFrame(Scene& scene, FrameHost& host);

// Records the cursor as a dot and its twin mirrored through the canvas centre.
void AddDotPair(Scene& scene, FrameHost& host);

void ClearTrail(Scene& scene);

} // namespace glintfall
