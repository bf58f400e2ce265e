#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace glintfall {

// Keeps a FIFO from hanging a test: if the watch is not over after the given time, the watchdog
// opens the FIFO for reading and drains it, so that a writer stuck on it goes on and the test can
// fail instead of hanging.
class FifoWatchdog {
public:
    FifoWatchdog(const QString& fifo, std::chrono::milliseconds patience);
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    // Ends the watch; true when the watchdog had to step in.
    bool Stop();

private:
    void Watch(std::stop_token stop);

    std::string m_fifo;
    std::chrono::milliseconds m_patience;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::atomic<bool> m_steppedIn = false;
    std::jthread m_thread; // last, so that it starts after everything it uses
};

} // namespace glintfall
