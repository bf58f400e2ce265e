#pragma once

#include "WindowSystem.h"

#include <QPoint>

#include <cstdint>
#include <functional>
#include <optional>

struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_surface;
class QWidget;

namespace glintfall {

class WindowFrame;

// The pointer over the program's window under native Wayland, which tells a program where the
// pointer is only while it is over one of its own surfaces, relative to that surface, and never
// where the window is. Qt reports the pointer only where it delivers mouse events (not over the
// title bar it draws), and turns it into screen coordinates by the window position it asked for,
// which the compositor ignores. So the program keeps a pointer of its own on the compositor's
// first seat, hears of every position over the window's surface, title bar included, and gives it
// relative to the window's outer rectangle as WindowFrame has it, whose top-left is the surface's.
class WaylandPointer : public PointerWatch {
public:
    // Nothing where the program has no Wayland connection.
    static std::unique_ptr<WaylandPointer> Create(QWidget& window, std::function<void()> moved);
    ~WaylandPointer() override;
    WaylandPointer(const WaylandPointer&) = delete;
    WaylandPointer& operator=(const WaylandPointer&) = delete;

    // Off the window's surface the pointer is somewhere outside the window, and nothing more can
    // be known: a point just outside its outer rectangle.
    QPoint Pos() override;

private:
    WaylandPointer(wl_registry* registry, QWidget& window, std::function<void()> moved);
    void SeatAnnounced(std::uint32_t name, std::uint32_t version);
    void GlobalRemoved(std::uint32_t name);
    void SeatCapabilities(std::uint32_t capabilities);
    void ReleasePointer();
    void Entered(wl_surface* surface, QPoint position);
    void MovedTo(QPoint position);
    void Left();

    struct Listeners;

    wl_registry* m_registry;
    QWidget& m_window;
    const WindowFrame& m_frame;
    std::function<void()> m_moved;
    std::uint32_t m_seatName = 0;
    wl_seat* m_seat = nullptr;
    wl_pointer* m_pointer = nullptr;
    std::optional<QPoint> m_onSurface;
};

} // namespace glintfall
