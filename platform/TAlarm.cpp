#include "TAlarm.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace glintfall {

namespace {

// The steady clock counts from the same origin as CLOCK_MONOTONIC on Linux.
static_assert(std::chrono::steady_clock::is_steady);

itimerspec AbsoluteTime(TAlarm::Clock::time_point moment)
{
    using namespace std::chrono;
    const nanoseconds since = moment.time_since_epoch();
    const seconds whole = floor<seconds>(since);
    itimerspec setting{};
    setting.it_value.tv_sec = static_cast<time_t>(whole.count());
    setting.it_value.tv_nsec = static_cast<long>((since - whole).count());
    // All zero would disarm the timer; the earliest moment that still rings is one nanosecond.
    if (setting.it_value.tv_sec <= 0 && setting.it_value.tv_nsec <= 0)
        setting.it_value.tv_nsec = 1;
    return setting;
}

} // namespace

TAlarm::TAlarm(QObject* parent)
    : QObject(parent)
    , m_fd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    m_standIn.setSingleShot(true);
    m_standIn.setTimerType(Qt::PreciseTimer);
    connect(&m_standIn, &QTimer::timeout, this, [this] { Ring(); });
    if (!IsPrecise())
        return;
    // Watched all the time: a timerfd that is not set never becomes readable, and enabling and
    // disabling the watch on every frame would cost the event loop more than the frame itself.
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Ring(); });
}

TAlarm::~TAlarm()
{
    m_notifier.reset();
    if (IsPrecise())
        close(m_fd);
}

void TAlarm::SetOnRing(std::function<void()> handler)
{
    m_onRing = std::move(handler);
}

void TAlarm::SetFor(Clock::time_point moment)
{
    m_set = true;
    if (!IsPrecise()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now());
        m_standIn.start(std::max(wait, std::chrono::milliseconds(0)));
        return;
    }
    const itimerspec setting = AbsoluteTime(moment);
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &setting, nullptr);
}

void TAlarm::Cancel()
{
    if (!m_set)
        return;
    m_set = false;
    m_standIn.stop();
    if (!IsPrecise())
        return;
    const itimerspec off{};
    timerfd_settime(m_fd, 0, &off, nullptr);
}

void TAlarm::Ring()
{
    if (IsPrecise()) {
        std::uint64_t expirations = 0;
        if (read(m_fd, &expirations, sizeof expirations) != sizeof expirations)
            return; // Set again since it rang; it has not rung for the new moment yet.
    }
    m_set = false;
    if (m_onRing)
        m_onRing();
}

} // namespace glintfall
