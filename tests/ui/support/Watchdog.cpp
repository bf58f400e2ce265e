#include "Watchdog.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace glintfall {

Watchdog::Watchdog(std::chrono::milliseconds patience, std::function<void()> rescue)
    : m_patience(patience)
    , m_rescue(std::move(rescue))
    , m_thread([this](std::stop_token stop) { Watch(stop); })
{
}

bool Watchdog::Stop()
{
    m_thread.request_stop();
    if (m_thread.joinable())
        m_thread.join();
    return m_steppedIn;
}

void Watchdog::Watch(std::stop_token stop)
{
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stop, m_patience, [] { return false; });
    }
    if (stop.stop_requested())
        return;
    m_steppedIn = true;
    m_rescue();
}

// Reads whatever comes until the writer is gone, or nothing has come for a second.
void DrainFifo(const QString& fifo)
{
    const int fd = open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    pollfd readable{fd, POLLIN, 0};
    char buffer[65536];
    while (poll(&readable, 1, 1000) > 0 && read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
}

} // namespace glintfall
