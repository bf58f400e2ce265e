#include "QtFrameHost.h"

#include "TImage.h"

#include <QCursor>
#include <QWidget>

#include <chrono>
#include <thread>

namespace glintfall {

QtFrameHost::QtFrameHost(QWidget& window, TImage& canvas)
    : m_window(window)
    , m_canvas(canvas)
{
}

std::uint32_t QtFrameHost::NowMs()
{
    return ClockNow();
}

std::uint32_t QtFrameHost::ClockNow()
{
    // Milliseconds since the system started, cut to 32 bits: it wraps after about 49.7 days.
    const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}

void QtFrameHost::SleepOneMs()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TPoint QtFrameHost::CursorPos()
{
    const QPoint position = QCursor::pos();
    return {position.x(), position.y()};
}

// Read on every frame. Qt keeps the window's position and frame margins with the widget and
// updates them as the window system reports moves, resizes and the frame, so this sends the X
// server no request, with or without a window manager.
TRect QtFrameHost::WindowRect()
{
    const QRect outer = m_window.frameGeometry();
    return {outer.left(), outer.top(), outer.width(), outer.height()};
}

void QtFrameHost::PresentFrame(const TABitmap& frame)
{
    m_canvas.Draw(frame);
}

} // namespace glintfall
