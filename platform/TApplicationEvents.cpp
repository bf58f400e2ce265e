#include "TApplicationEvents.h"

#include <QCoreApplication>

namespace glintfall {

TApplicationEvents::TApplicationEvents(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { CallIdle(); });
    m_alarm.SetOnRing([this] { CallIdle(); });
}

void TApplicationEvents::SetOnIdle(IdleHandler handler)
{
    m_onIdle = std::move(handler);
}

void TApplicationEvents::Start()
{
    m_started = true;
    Resume();
}

void TApplicationEvents::Stop()
{
    m_started = false;
    StopWaiting();
    StopTimers();
}

bool TApplicationEvents::IsRunning() const
{
    return m_timer.isActive() || m_alarm.IsSet();
}

void TApplicationEvents::CallAgainAt(Clock::time_point moment)
{
    m_nextCall = moment;
}

void TApplicationEvents::WakeUp()
{
    if (!m_waiting)
        return;
    StopWaiting();
    Resume();
}

void TApplicationEvents::CallIdle()
{
    StopWaiting();
    bool done = true;
    m_nextCall = {};
    if (m_onIdle)
        m_onIdle(done);
    if (!m_started || m_pauses > 0)
        return;
    if (done)
        WaitForNextEvent();
    else
        ScheduleNextCall();
}

void TApplicationEvents::ScheduleNextCall()
{
    if (m_nextCall <= Clock::now()) {
        m_alarm.Cancel();
        if (!m_timer.isActive())
            m_timer.start();
        return;
    }
    m_timer.stop();
    m_alarm.SetFor(m_nextCall);
}

void TApplicationEvents::WaitForNextEvent()
{
    StopTimers();
    m_waiting = true;
    QCoreApplication::instance()->installEventFilter(this);
    if (m_nextCall != Clock::time_point{})
        m_alarm.SetFor(m_nextCall);
}

void TApplicationEvents::StopWaiting()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    QCoreApplication::instance()->removeEventFilter(this);
    m_alarm.Cancel();
}

bool TApplicationEvents::eventFilter(QObject*, QEvent*)
{
    WakeUp();
    return false;
}

void TApplicationEvents::Resume()
{
    if (m_started && m_pauses == 0 && !m_waiting && !IsRunning())
        m_timer.start();
}

void TApplicationEvents::StopTimers()
{
    m_timer.stop();
    m_alarm.Cancel();
}

TApplicationEvents::Pause::Pause(TApplicationEvents& events)
    : m_events(events)
{
    ++m_events.m_pauses;
    m_events.StopWaiting();
    m_events.StopTimers();
}

TApplicationEvents::Pause::~Pause()
{
    --m_events.m_pauses;
    m_events.Resume();
}

} // namespace glintfall
