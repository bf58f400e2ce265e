#include "WaylandWindowFrame.h"

#include "QtWayland.h"

#include <QWidget>
#include <QWindow>

#include "xdg-shell-client-protocol.h"

namespace glintfall {

WaylandWindowFrame::~WaylandWindowFrame()
{
    QObject::disconnect(m_stateWatch);
}

// The window's state changes the moment Qt sends its request, so the request taken back leaves in
// the same message to the compositor, which then answers both together.
void WaylandWindowFrame::AskForFixedDialogFrame()
{
    QWindow* window = m_window.windowHandle();
    if (!window || m_stateWatch)
        return;
    m_stateWatch = QObject::connect(window, &QWindow::windowStateChanged, window,
                                    [this](Qt::WindowState state) { TakeBackResizingState(state); });
}

// Qt asks the compositor for a frame of the compositor's own where it offers one (xdg-decoration),
// if the window is not frameless when Qt makes its toplevel; a frame drawn by the compositor is one
// the program can neither measure nor hear the pointer over. Without that question, the protocol
// leaves the frame to the program, and Qt draws its own title bar into the window's surface, as it
// does on every compositor that offers none. So the window is made frameless for Qt's first
// request, and given its frame back before the compositor has answered.
void WaylandWindowFrame::BeforeFirstShow(std::chrono::milliseconds)
{
    QWindow* window = m_window.windowHandle();
    window->setFlags(window->flags() | Qt::FramelessWindowHint);
}

void WaylandWindowFrame::AfterFirstShow()
{
    QWindow* window = m_window.windowHandle();
    window->setFlags(window->flags() & ~Qt::FramelessWindowHint);
}

// The compositor may answer with nothing at all, its state being what it was, so the window's own
// idea of its state is taken back too; Qt sends nothing more for that, as the compositor never
// applied the state.
void WaylandWindowFrame::TakeBackResizingState(Qt::WindowState state)
{
    QWindow* window = m_window.windowHandle();
    xdg_toplevel* toplevel = wayland::ToplevelOf(window);
    if (!toplevel)
        return;
    if (state == Qt::WindowMaximized)
        xdg_toplevel_unset_maximized(toplevel);
    else if (state == Qt::WindowFullScreen)
        xdg_toplevel_unset_fullscreen(toplevel);
    else
        return;
    window->setWindowStates(window->windowStates() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
}

} // namespace glintfall
