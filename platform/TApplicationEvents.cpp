#include "TApplicationEvents.h"

#include <QCoreApplication>

namespace glintfall {

TApplicationEvents::TApplicationEvents(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { CallIdle(); });
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
    m_timer.stop();
}

bool TApplicationEvents::IsRunning() const
{
    return m_timer.isActive();
}

void TApplicationEvents::CallIdle()
{
    bool done = true;
    if (m_onIdle)
        m_onIdle(done);
    if (done && m_started)
        WaitForNextEvent();
}

void TApplicationEvents::WaitForNextEvent()
{
    m_timer.stop();
    m_waiting = true;
    QCoreApplication::instance()->installEventFilter(this);
}

bool TApplicationEvents::eventFilter(QObject*, QEvent*)
{
    if (m_waiting) {
        m_waiting = false;
        QCoreApplication::instance()->removeEventFilter(this);
        Resume();
    }
    return false;
}

void TApplicationEvents::Resume()
{
    if (m_started && m_pauses == 0 && !m_waiting)
        m_timer.start();
}

TApplicationEvents::Pause::Pause(TApplicationEvents& events)
    : m_events(events)
{
    ++m_events.m_pauses;
    m_events.m_timer.stop();
}

TApplicationEvents::Pause::~Pause()
{
    --m_events.m_pauses;
    m_events.Resume();
}

} // namespace glintfall
