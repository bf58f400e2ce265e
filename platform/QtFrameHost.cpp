#include "QtFrameHost.h"

#include "Damage.h"
#include "GlobalCursor.h"
#include "TImage.h"
#include "WindowFrame.h"

#include <QWidget>

#include <chrono>
#include <thread>

namespace glintfall {

QtFrameHost::QtFrameHost(QWidget& window, TImage& canvas, GlobalCursor& cursor)
    : m_frame(WindowFrame::Of(window))
    , m_canvas(canvas)
    , m_cursor(cursor)
{
}

std::uint32_t QtFrameHost::NowMs()
{
    return ClockNow();
}

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::uint32_t ClockReading(steady_clock::time_point moment)
{
    // Milliseconds since the system started, cut to 32 bits: it wraps after about 49.7 days.
    return static_cast<std::uint32_t>(std::chrono::floor<milliseconds>(moment.time_since_epoch()).count());
}

} // namespace

std::uint32_t QtFrameHost::ClockNow()
{
    return ClockReading(steady_clock::now());
}

steady_clock::time_point QtFrameHost::WhenClockAdvances(std::uint32_t reading, std::uint32_t ms)
{
    const auto now = std::chrono::floor<milliseconds>(steady_clock::now());
    // The clock may have moved on since the reading; the wrapping difference says how far.
    const std::uint32_t movedOn = ClockReading(now) - reading;
    return now - milliseconds(movedOn) + milliseconds(ms);
}

void QtFrameHost::SleepOneMs()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Until the window is shown where its manager placed it, the pointer cannot be over it: it counts
// as just outside, where no pair is recorded.
TPoint QtFrameHost::CursorPos()
{
    const QPoint position = m_frame.Placed() ? m_cursor.Pos() : m_frame.OuterRect().topLeft() - QPoint(1, 1);
    return {position.x(), position.y()};
}

TRect QtFrameHost::WindowRect()
{
    const QRect outer = m_frame.OuterRect();
    return {outer.left(), outer.top(), outer.width(), outer.height()};
}

void QtFrameHost::PresentFrame(const TABitmap& frame, const Damage& changed)
{
    m_canvas.Draw(frame, changed.Areas());
}

} // namespace glintfall
