#include "WaylandPointer.h"

#include "QtWayland.h"
#include "WindowFrame.h"

#include <QWidget>

#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace glintfall {

namespace {

// A pointer of this version has every event the listener below handles.
constexpr std::uint32_t kSeatVersion = 5;

// The pixel the pointer is on, counted from the surface's top-left corner.
QPoint Pixel(wl_fixed_t x, wl_fixed_t y)
{
    return {static_cast<int>(std::floor(wl_fixed_to_double(x))), static_cast<int>(std::floor(wl_fixed_to_double(y)))};
}

} // namespace

// Every event of an object's version needs a handler; only the seat, the pointer's position and
// its focus matter here.
struct WaylandPointer::Listeners {
    static WaylandPointer& Of(void* data) { return *static_cast<WaylandPointer*>(data); }

    static constexpr wl_registry_listener kRegistry{
        .global = [](void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
            if (std::strcmp(interface, wl_seat_interface.name) == 0)
                Of(data).SeatAnnounced(name, version);
        },
        .global_remove = [](void* data, wl_registry*, std::uint32_t name) { Of(data).GlobalRemoved(name); },
    };

    static constexpr wl_seat_listener kSeat{
        .capabilities = [](void* data, wl_seat*, std::uint32_t capabilities) {
            Of(data).SeatCapabilities(capabilities);
        },
        .name = [](void*, wl_seat*, const char*) {},
    };

    static constexpr wl_pointer_listener kPointer{
        .enter = [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
            Of(data).Entered(surface, Pixel(x, y));
        },
        .leave = [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { Of(data).Left(); },
        .motion = [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x,
                     wl_fixed_t y) { Of(data).MovedTo(Pixel(x, y)); },
        .button = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        .axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
        .frame = [](void*, wl_pointer*) {},
        .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
        .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
        .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
        // Later versions' events, never sent at kSeatVersion, where this libwayland knows them.
#ifdef WL_POINTER_AXIS_VALUE120_SINCE_VERSION
        .axis_value120 = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
#endif
#ifdef WL_POINTER_AXIS_RELATIVE_DIRECTION_SINCE_VERSION
        .axis_relative_direction = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
#endif
    };
};

// Made on Qt's default event queue, which Qt dispatches on the main thread: the compositor's
// globals, and with them the seat, are heard of as soon as Qt next reads its events.
std::unique_ptr<WaylandPointer> WaylandPointer::Create(QWidget& window, std::function<void()> moved)
{
    wl_display* display = wayland::QtDisplay();
    if (!display)
        return nullptr;
    return std::unique_ptr<WaylandPointer>(
        new WaylandPointer(wl_display_get_registry(display), window, std::move(moved)));
}

WaylandPointer::WaylandPointer(wl_registry* registry, QWidget& window, std::function<void()> moved)
    : m_registry(registry)
    , m_window(window)
    , m_frame(WindowFrame::Of(window))
    , m_moved(std::move(moved))
{
    wl_registry_add_listener(m_registry, &Listeners::kRegistry, this);
}

WaylandPointer::~WaylandPointer()
{
    ReleasePointer();
    if (m_seat)
        wl_seat_release(m_seat);
    wl_registry_destroy(m_registry);
}

QPoint WaylandPointer::Pos()
{
    const QPoint outerTopLeft = m_frame.OuterRect().topLeft();
    return m_onSurface ? outerTopLeft + *m_onSurface : outerTopLeft - QPoint(1, 1);
}

// The first seat is the one Qt takes its input from too.
void WaylandPointer::SeatAnnounced(std::uint32_t name, std::uint32_t version)
{
    if (m_seat)
        return;
    m_seatName = name;
    m_seat = static_cast<wl_seat*>(
        wl_registry_bind(m_registry, name, &wl_seat_interface, std::min(version, kSeatVersion)));
    wl_seat_add_listener(m_seat, &Listeners::kSeat, this);
}

void WaylandPointer::GlobalRemoved(std::uint32_t name)
{
    if (!m_seat || name != m_seatName)
        return;
    ReleasePointer();
    wl_seat_release(m_seat);
    m_seat = nullptr;
}

// A pointer may come and go with the devices plugged in.
void WaylandPointer::SeatCapabilities(std::uint32_t capabilities)
{
    const bool hasPointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (hasPointer && !m_pointer) {
        m_pointer = wl_seat_get_pointer(m_seat);
        wl_pointer_add_listener(m_pointer, &Listeners::kPointer, this);
    } else if (!hasPointer && m_pointer) {
        ReleasePointer();
    }
}

void WaylandPointer::ReleasePointer()
{
    if (!m_pointer)
        return;
    wl_pointer_release(m_pointer);
    m_pointer = nullptr;
    m_onSurface.reset();
}

// Other surfaces of the program's (a dialog, a tooltip) lie somewhere the program cannot know.
void WaylandPointer::Entered(wl_surface* surface, QPoint position)
{
    if (surface == wayland::SurfaceOf(m_window.windowHandle()))
        m_onSurface = position;
    else
        m_onSurface.reset();
    m_moved();
}

void WaylandPointer::MovedTo(QPoint position)
{
    if (!m_onSurface)
        return;
    m_onSurface = position;
    m_moved();
}

void WaylandPointer::Left()
{
    m_onSurface.reset();
    m_moved();
}

} // namespace glintfall
