#pragma once

#include "WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>

class QWidget;

namespace glintfall {

class WindowFrame;

// The pointer's position, measured against one window as its frame measures it (see
// WindowFrame::FromScreen), for the frame tick, which reads it on every frame, and news of its
// motion over that window, for an event loop that sleeps while nothing can change.
//
// Every reading is a round trip to the X server, which would wake the program twice more per
// frame. So the position is taken from the events that tell it, and read again only after the
// server has told of motion without telling where. It tells of motion and crossings of the
// program's own windows, crossings of the frame the window manager puts around the watched window,
// and, while the pointer is on that frame but not on the window itself, the pointing devices' raw
// motion. Motion elsewhere on the screen is not watched, so that a pointer moving over other
// programs never wakes this one. A program that warps the pointer (xdotool, say) makes no raw
// motion: so while the pointer is on the frame but off the window, it counts as moved every 50 ms,
// and elsewhere a reading is trusted at most a quarter of a second when the pointer is asked for
// again.
class X11Pointer : public QObject, public PointerWatch, public QAbstractNativeEventFilter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLongestTrust = std::chrono::milliseconds(250);
    static constexpr std::chrono::milliseconds kFramePollInterval{50};

    // Nothing where the X server has no input extension to tell of motion.
    static std::unique_ptr<X11Pointer> Create(QWidget& window, std::function<void()> moved,
                                              Clock::duration longestTrust = kLongestTrust);
    ~X11Pointer() override;
    X11Pointer(const X11Pointer&) = delete;
    X11Pointer& operator=(const X11Pointer&) = delete;

    QPoint Pos() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11Pointer(std::uint8_t inputOpcode, QWidget& window, std::function<void()> moved, Clock::duration longestTrust);
    void FindFrame();
    void Crossed(std::uint32_t window, bool entered, std::uint8_t detail);
    void OnFrameOnly(bool onFrameOnly);
    void HeardOfMotion();
    void HeardOfPosition(QPoint onScreen);

    static int s_rawMotionWatches;

    std::uint8_t m_inputOpcode;
    std::function<void()> m_moved;
    Clock::duration m_longestTrust;
    const WindowFrame& m_windowFrame;
    std::uint32_t m_window = 0;
    std::uint32_t m_frame = 0;
    bool m_onFrame = false;
    bool m_onWindow = false;
    bool m_onFrameOnly = false;
    QTimer m_framePoll;
    bool m_stale = true;
    // In the X server's pixels.
    QPoint m_lastReading;
    Clock::time_point m_readAt;
};

} // namespace glintfall
