#pragma once

#include <string>

struct wl_display;
struct wl_surface;
struct xdg_toplevel;
class QWindow;

// The Wayland objects Qt's platform plugin made for the program, as it hands them out. Requests
// the program sends on them, or on objects of its own made from them, join Qt's on the same
// connection; events for the program's objects come on Qt's main thread, with Qt's.
namespace glintfall::wayland {

wl_display* QtDisplay();

// The socket libwayland connects to: WAYLAND_DISPLAY (wayland-0 when unset), under
// XDG_RUNTIME_DIR unless it is a path of its own; empty when there is none.
std::string SocketPath();

// Before Qt connects: whether a compositor takes a connection where libwayland looks for one.
bool CompositorReachable();

// None until the window is shown.
wl_surface* SurfaceOf(QWindow* window);
xdg_toplevel* ToplevelOf(QWindow* window);

} // namespace glintfall::wayland
