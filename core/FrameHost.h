#pragma once

#include "Geometry.h"

#include <cstdint>

namespace glintfall {

class Damage;
class TABitmap;

// Everything the frame tick needs from its surroundings. The window supplies the real services;
// tests supply a fake clock and cursor whose SleepOneMs advances the clock instead of blocking.
class FrameHost {
public:
    virtual ~FrameHost() = default;

    // Milliseconds from a monotonic source as an unsigned 32-bit count that wraps around.
    virtual std::uint32_t NowMs() = 0;
    virtual void SleepOneMs() = 0;
    // The cursor in screen pixels. Throws TOSError when the system cannot tell.
    virtual TPoint CursorPos() = 0;
    // The main window's outer rectangle in screen pixels, frame and title bar included.
    virtual TRect WindowRect() = 0;
    // Copies the areas of a finished frame that changed since the last to the canvas, which then
    // repaints them. The first frame, and every frame of another size, is copied whole.
    virtual void PresentFrame(const TABitmap& frame, const Damage& changed) = 0;
};

} // namespace glintfall
