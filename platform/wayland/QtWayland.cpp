#include "QtWayland.h"

#include <QGuiApplication>
#include <QWindow>
// Qt 6.4 hands out its Wayland objects only through this interface of its platform plugins.
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

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

// A compositor that hands over a connected socket (WAYLAND_SOCKET) is there by definition; the
// socket is Qt's to take, so it is not tried here. Without XDG_RUNTIME_DIR a socket named relative
// to it cannot be there, and libwayland would say so on standard error.
bool CompositorReachable()
{
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return true;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && !qEnvironmentVariable("WAYLAND_DISPLAY").startsWith(u'/'))
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
