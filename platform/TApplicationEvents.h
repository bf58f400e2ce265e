#pragma once

#include "TAlarm.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace glintfall {

// The event loop's idle call. A zero-interval timer fires whenever the queue holds nothing else,
// so paint requests from one call are handled before the next. The handler sets Done to false to
// be called again; left true, the calls wait for the next event, or for WakeUp. A handler that
// knows it has nothing to do before a certain moment says so with CallAgainAt, and the loop sleeps
// until then, still handling every event that arrives meanwhile; with Done left true, that moment
// is the latest the loop waits for an event.
class TApplicationEvents : public QObject {
public:
    using IdleHandler = std::function<void(bool& Done)>;
    using Clock = std::chrono::steady_clock;

    explicit TApplicationEvents(QObject* parent = nullptr);

    void SetOnIdle(IdleHandler handler);
    void Start();
    // No idle call happens after Stop, whatever else the loop still handles.
    void Stop();
    bool IsRunning() const;

    // From inside the idle handler: the next call is not wanted before this moment (with Done
    // false), or is wanted at this moment if no event comes first (with Done left true).
    void CallAgainAt(Clock::time_point moment);
    // Ends a wait for the next event, for news that reaches the program outside Qt's events.
    void WakeUp();

    // Holds idle calls back while a dialog of its own loop is open (the save-file dialog and the
    // error report); the program's own message boxes keep them going.
    class Pause {
    public:
        explicit Pause(TApplicationEvents& events);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        TApplicationEvents& m_events;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CallIdle();
    void ScheduleNextCall();
    void WaitForNextEvent();
    void StopWaiting();
    void Resume();
    void StopTimers();

    IdleHandler m_onIdle;
    QTimer m_timer;
    TAlarm m_alarm;
    Clock::time_point m_nextCall;
    bool m_started = false;
    bool m_waiting = false;
    int m_pauses = 0;
};

} // namespace glintfall
