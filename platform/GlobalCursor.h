#pragma once

#include <QAbstractNativeEventFilter>
#include <QPoint>

#include <chrono>
#include <cstdint>

namespace glintfall {

// The pointer's position on the screen, for the frame tick, which reads it on every frame.
//
// Under X11 every reading is a round trip to the X server, which would wake the program twice
// more per frame even while nothing moves. So the position is read again only after the server
// has told of motion: the pointing devices' raw motion anywhere on the screen, and any motion over
// the program's own windows. A reading is trusted at most a quarter of a second, since a program
// that moves the pointer elsewhere makes neither. Under Wayland and offscreen the position is known
// locally and read every time.
class GlobalCursor : public QAbstractNativeEventFilter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLongestTrust = std::chrono::milliseconds(250);

    explicit GlobalCursor(Clock::duration longestTrust = kLongestTrust);
    ~GlobalCursor() override;
    GlobalCursor(const GlobalCursor&) = delete;
    GlobalCursor& operator=(const GlobalCursor&) = delete;

    QPoint Pos();
    // True when the display tells of pointer motion, so that still readings can be reused.
    bool WatchesMotion() const { return m_motionOpcode != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool ReadingIsCurrent() const;

    static int s_watches;

    Clock::duration m_longestTrust;
    std::uint8_t m_motionOpcode = 0;
    bool m_moved = true;
    QPoint m_lastReading;
    Clock::time_point m_readAt;
};

} // namespace glintfall
