#include "QtWayland.h"

#include <QGuiApplication>
#include <QWindow>
// Qt 6.4 hands out its Wayland objects only through this interface of its platform plugins.
#include <qpa/qplatformnativeinterface.h>

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

wl_surface* SurfaceOf(QWindow* window)
{
    return static_cast<wl_surface*>(WindowResource("surface", window));
}

xdg_toplevel* ToplevelOf(QWindow* window)
{
    return static_cast<xdg_toplevel*>(WindowResource("xdg_toplevel", window));
}

} // namespace glintfall::wayland
