#include "WindowSystem.h"

#include "QtWindowFrame.h"
#include "wayland/WaylandWindowSystem.h"
#include "x11/X11WindowSystem.h"

#include <QGuiApplication>

namespace glintfall {

namespace {

std::unique_ptr<const WindowSystem> ForPlatform(const QString& platform)
{
    if (platform == QLatin1String("xcb"))
        return std::make_unique<X11WindowSystem>();
    if (platform.startsWith(QLatin1String("wayland")))
        return std::make_unique<WaylandWindowSystem>();
    return std::make_unique<WindowSystem>();
}

} // namespace

// Qt runs on one platform for the life of the program, so the choice is made once.
const WindowSystem& WindowSystem::Current()
{
    static const std::unique_ptr<const WindowSystem> current = ForPlatform(QGuiApplication::platformName());
    return *current;
}

std::unique_ptr<PointerWatch> WindowSystem::WatchPointer(QWidget&, std::function<void()>) const
{
    return nullptr;
}

std::unique_ptr<NativeFrame> WindowSystem::FrameOf(QWidget& window, std::function<void(FrameNews)>) const
{
    return std::make_unique<QtWindowFrame>(window);
}

std::unique_ptr<FramePresenter> WindowSystem::PresenterFor(QWidget&) const
{
    return nullptr;
}

} // namespace glintfall
