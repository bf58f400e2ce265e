#pragma once

#include "Bitmap.h"
#include "Damage.h"
#include "Errors.h"
#include "FrameHost.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace glintfall {

// A host with a hand-driven clock and cursor. Sleeping advances the clock instead of blocking.
class FakeHost : public FrameHost {
public:
    std::uint32_t NowMs() override { return clock; }
    void SleepOneMs() override
    {
        ++sleeps;
        ++clock;
    }
    TPoint CursorPos() override
    {
        if (cursorError)
            throw *cursorError;
        return cursor;
    }
    TRect WindowRect() override { return window; }
    // Keeps the frame as the canvas does, copying what changed.
    void PresentFrame(const TABitmap& frame, const Damage& changed) override
    {
        ++framesPresented;
        lastFrame.CopyAreas(frame, changed.Areas());
        lastChanged.assign(changed.Areas().begin(), changed.Areas().end());
    }

    // Puts the cursor on canvas pixel (x, y), given the fixed offsets of the canvas in the window.
    void PointAtCanvas(std::int32_t x, std::int32_t y) { cursor = {window.left + 2 + x, window.top + 26 + y}; }

    std::uint32_t clock = 1000;
    TPoint cursor{0, 0};
    TRect window{100, 200, 484, 539};
    std::optional<TOSError> cursorError;
    int sleeps = 0;
    int framesPresented = 0;
    TABitmap lastFrame;
    std::vector<TArea> lastChanged;
};

} // namespace glintfall
