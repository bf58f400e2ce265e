#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace glintfall {

// A one-shot alarm for a moment of the steady clock, to well under a millisecond. The event loop
// sleeps until the alarm rings, handling whatever events come in the meantime.
//
// Written by hand because Qt's own timers wake only to the whole millisecond under the GLib event
// loop (the default on Linux), and late by up to two, which would stretch every 9 ms frame
// interval by a tenth or more. A timerfd is one more file the event loop waits on, and wakes it at
// the moment itself. Where the system gives no timerfd, a Qt timer stands in.
class TAlarm : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit TAlarm(QObject* parent = nullptr);
    ~TAlarm() override;

    void SetOnRing(std::function<void()> handler);
    // Replaces any earlier setting. A moment already past rings at the loop's next pass.
    void SetFor(Clock::time_point moment);
    void Cancel();
    bool IsSet() const { return m_set; }
    bool IsPrecise() const { return m_fd >= 0; }

private:
    void Ring();

    int m_fd = -1;
    QTimer m_standIn;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_onRing;
    bool m_set = false;
};

} // namespace glintfall
