#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace glintfall {

// The event loop's idle call. A zero-interval timer fires whenever the queue holds nothing else,
// so paint requests from one call are handled before the next. The handler sets Done to false to
// be called again at once; left true, the calls wait for the next event.
class TApplicationEvents : public QObject {
public:
    using IdleHandler = std::function<void(bool& Done)>;

    explicit TApplicationEvents(QObject* parent = nullptr);

    void SetOnIdle(IdleHandler handler);
    void Start();
    // No idle call happens after Stop, whatever else the loop still handles.
    void Stop();
    bool IsRunning() const;

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
    void WaitForNextEvent();
    void Resume();

    IdleHandler m_onIdle;
    QTimer m_timer;
    bool m_started = false;
    bool m_waiting = false;
    int m_pauses = 0;
};

} // namespace glintfall
