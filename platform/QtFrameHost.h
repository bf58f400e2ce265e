#pragma once

#include "FrameHost.h"

#include <chrono>

class QWidget;

namespace glintfall {

class GlobalCursor;
class TImage;
class WindowFrame;

// The frame tick's surroundings on Qt: a monotonic clock, the global cursor, the main window's
// outer rectangle, and the canvas control that shows each frame.
class QtFrameHost : public FrameHost {
public:
    QtFrameHost(QWidget& window, TImage& canvas, GlobalCursor& cursor);

    // The clock that NowMs reads, for use before any window exists.
    static std::uint32_t ClockNow();
    // The moment the clock, which read `reading` a little while ago, will have advanced by `ms`.
    static std::chrono::steady_clock::time_point WhenClockAdvances(std::uint32_t reading, std::uint32_t ms);

    std::uint32_t NowMs() override;
    void SleepOneMs() override;
    TPoint CursorPos() override;
    TRect WindowRect() override;
    void PresentFrame(const TABitmap& frame, const Damage& changed) override;

private:
    const WindowFrame& m_frame;
    TImage& m_canvas;
    GlobalCursor& m_cursor;
};

} // namespace glintfall
