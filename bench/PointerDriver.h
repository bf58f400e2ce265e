#pragma once

#include <sys/types.h>

namespace glintfall {

struct PointerCommand;

// Moves the X pointer from a child process with its own X connection, so that the benchmark's own
// CPU figures leave out the work of making the motion. Start it before anything else in main: the
// child is forked, and must not inherit a Qt application. It ends when its parent ends.
class PointerDriver {
public:
    PointerDriver();
    ~PointerDriver();
    PointerDriver(const PointerDriver&) = delete;
    PointerDriver& operator=(const PointerDriver&) = delete;

    // Moves the pointer to (x, y) in root window coordinates once and leaves it there.
    void RestAt(int x, int y);
    // Moves the pointer about 250 times a second in circles around (x, y), every step to another
    // pixel, the radius sweeping between 20 and kLargestRadius.
    void CircleAround(int x, int y);
    // False once the child has ended, for instance on a display without the XTest extension.
    bool Running();

    static constexpr int kLargestRadius = 180;

private:
    void Send(const PointerCommand& command);

    pid_t m_child = -1;
    int m_socket = -1;
};

} // namespace glintfall
