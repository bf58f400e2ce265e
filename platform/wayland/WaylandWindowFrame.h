#pragma once

#include "QtWindowFrame.h"

#include <QMetaObject>

namespace glintfall {

// A window's frame under native Wayland: the title bar Qt draws into the window's own surface, so
// the outer rectangle is the surface; where it lies only the compositor knows.
//
// Qt tells the compositor the window's fixed size (equal minimum and maximum sizes), which is how
// the protocol lets a program say it offers no resizing. Qt's own title bar still offers to
// maximise the window, and a compositor that maximises it then requires a buffer of the size it
// gives (weston ends the connection of a client that does not comply), which Qt's fixed size never
// gives. So a request to maximise, or to fill the screen, is taken back at once, before the
// compositor has answered it.
class WaylandWindowFrame : public QtWindowFrame {
public:
    using QtWindowFrame::QtWindowFrame;
    ~WaylandWindowFrame() override;

    void AskForFixedDialogFrame() override;
    void BeforeFirstShow(std::chrono::milliseconds longest) override;
    void AfterFirstShow() override;

private:
    void TakeBackResizingState(Qt::WindowState state);

    QMetaObject::Connection m_stateWatch;
};

} // namespace glintfall
