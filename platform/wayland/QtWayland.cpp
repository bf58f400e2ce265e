#include "QtWayland.h"

#include <QGuiApplication>
#include <QWindow>
// Qt 6.4 hands out its Wayland objects only through this interface of its platform plugins.
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <cstdlib>

namespace glintfall::wayland {

namespace {

QPlatformNativeInterface* Native()
{
    return QGuiApplication::platformNativeInterface();
}

void* WindowResource(const char* name, QWindow* window)
{
    return Native() && window && window->handle() ? Native()->nativeResourceForWindow(name, window) : nullptr;
}

} // namespace

wl_display* QtDisplay()
{
    return Native() ? static_cast<wl_display*>(Native()->nativeResourceForIntegration("wl_display")) : nullptr;
}

std::string SocketPath()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const std::string display = name && *name ? name : "wayland-0";
    if (display.front() == '/')
        return display;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime ? std::string(runtime) + '/' + display : std::string();
}

// A compositor that hands over a connected socket (WAYLAND_SOCKET) is there by definition; the
// socket is Qt's to take, so it is not tried here. Where there is no socket to look for, libwayland
// would say so on standard error.
bool CompositorReachable()
{
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return true;
    if (SocketPath().empty())
        return false;
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    wl_display_disconnect(display);
    return true;
}

wl_surface* SurfaceOf(QWindow* window)
{
    return static_cast<wl_surface*>(WindowResource("surface", window));
}

xdg_toplevel* ToplevelOf(QWindow* window)
{
    return static_cast<xdg_toplevel*>(WindowResource("xdg_toplevel", window));
}

} // namespace glintfall::wayland
