#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace glintfall {

// Keeps a call that may block from hanging a test: if the watch is not over after the given time,
// the watchdog runs its rescue on a thread of its own, so that the test can fail instead of
// hanging. The rescue frees the stuck call (DrainFifo) or, where nothing can, ends the program.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds patience, std::function<void()> rescue);
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Ends the watch; true when the watchdog had to step in.
    bool Stop();

private:
    void Watch(std::stop_token stop);

    std::chrono::milliseconds m_patience;
    std::function<void()> m_rescue;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::atomic<bool> m_steppedIn = false;
    std::jthread m_thread; // last, so that it starts after everything it uses
};

// Opens the FIFO for reading and drains it, so that a writer stuck on it goes on.
void DrainFifo(const QString& fifo);

} // namespace glintfall
