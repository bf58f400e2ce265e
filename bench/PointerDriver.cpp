#include "PointerDriver.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <thread>

namespace glintfall {

// What the parent tells the child, one message each.
struct PointerCommand {
    enum class Kind { Rest, Circle } kind;
    int x;
    int y;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStepInterval = std::chrono::microseconds(4000); // 250 motion events a second

// Circles whose radius sweeps slowly between 20 and the largest radius and back. The angle's step
// moves the pointer by at least two pixels even on the smallest circle, so every step lands on
// another pixel, and it is no fraction of a turn, so the circles do not retrace each other.
class CirclePath {
public:
    xcb_point_t Next(int centreX, int centreY)
    {
        m_angle += 0.1;
        m_radius += m_growth;
        if (m_radius >= PointerDriver::kLargestRadius || m_radius <= 20)
            m_growth = -m_growth;
        return {static_cast<std::int16_t>(std::lround(centreX + m_radius * std::cos(m_angle))),
                static_cast<std::int16_t>(std::lround(centreY + m_radius * std::sin(m_angle)))};
    }

private:
    double m_angle = 0;
    double m_radius = 20;
    double m_growth = 0.25;
};

class FakePointer {
public:
    FakePointer()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        const xcb_query_extension_reply_t* xtest =
            xcb_connection_has_error(m_connection) ? nullptr : xcb_get_extension_data(m_connection, &xcb_test_id);
        if (!xtest || !xtest->present) {
            std::fprintf(stderr, "frame_loop: the display cannot move the pointer (no XTest)\n");
            std::_Exit(1);
        }
        auto screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (; screenNumber > 0 && screen.rem > 1; --screenNumber)
            xcb_screen_next(&screen);
        m_root = screen.data->root;
    }

    // An absolute position on the root window, as a pointing device reports it.
    void MoveTo(xcb_point_t to)
    {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, to.x, to.y, 0);
        xcb_flush(m_connection);
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
        if (xcb_connection_has_error(m_connection))
            std::_Exit(1);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

// The next command, or nothing when flags include MSG_DONTWAIT and none is waiting; ends the child
// when the parent has gone.
std::optional<PointerCommand> Receive(int socket, int flags)
{
    PointerCommand received;
    const ssize_t size = recv(socket, &received, sizeof received, flags);
    if (size == sizeof received)
        return received;
    if (size < 0 && errno == EAGAIN)
        return std::nullopt;
    std::_Exit(0);
}

PointerCommand WaitForCommand(int socket)
{
    std::optional<PointerCommand> command;
    while (!command)
        command = Receive(socket, 0);
    return *command;
}

[[noreturn]] void Drive(int socket)
{
    // The display is connected to only once the first command comes, to stay out of the program's
    // start-up.
    PointerCommand command = WaitForCommand(socket);
    FakePointer pointer;
    CirclePath path;
    Clock::time_point next = Clock::now();
    for (;;) {
        if (command.kind == PointerCommand::Kind::Rest) {
            pointer.MoveTo({static_cast<std::int16_t>(command.x), static_cast<std::int16_t>(command.y)});
            command = WaitForCommand(socket);
            next = Clock::now();
            continue;
        }
        pointer.MoveTo(path.Next(command.x, command.y));
        // Never more than 250 a second, even after the machine has kept the child waiting.
        next = std::max(next + kStepInterval, Clock::now());
        std::this_thread::sleep_until(next);
        if (const std::optional<PointerCommand> received = Receive(socket, MSG_DONTWAIT))
            command = *received;
    }
}

} // namespace

PointerDriver::PointerDriver()
{
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0)
        throw std::runtime_error("frame_loop: no socket pair for the pointer driver");
    const pid_t parent = getpid();
    m_child = fork();
    if (m_child < 0)
        throw std::runtime_error("frame_loop: cannot start the pointer driver");
    if (m_child == 0) {
        close(sockets[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) // the parent ended before the line above
            std::_Exit(0);
        Drive(sockets[1]);
    }
    close(sockets[1]);
    m_socket = sockets[0];
}

PointerDriver::~PointerDriver()
{
    close(m_socket);
    if (m_child > 0) {
        kill(m_child, SIGTERM);
        waitpid(m_child, nullptr, 0);
    }
}

void PointerDriver::RestAt(int x, int y)
{
    Send({PointerCommand::Kind::Rest, x, y});
}

void PointerDriver::CircleAround(int x, int y)
{
    Send({PointerCommand::Kind::Circle, x, y});
}

bool PointerDriver::Running()
{
    if (m_child > 0 && waitpid(m_child, nullptr, WNOHANG) != 0)
        m_child = -1;
    return m_child > 0;
}

void PointerDriver::Send(const PointerCommand& command)
{
    // Without MSG_NOSIGNAL a child that has ended would end the benchmark too, with SIGPIPE.
    send(m_socket, &command, sizeof command, MSG_NOSIGNAL);
}

} // namespace glintfall
