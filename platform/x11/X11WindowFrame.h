#pragma once

#include "WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace glintfall {

// The frame an X11 window manager puts around one of the program's top-level windows, as the
// manager itself reports it in _NET_FRAME_EXTENTS (EWMH), and the window's place as the X server
// gives it, both read through Qt's own connection to the server. Qt works the frame out from the
// windows the manager wraps around the client, which goes wrong where a manager adds invisible
// borders, nests several wrappers, or has not finished framing; and it takes the client's place
// from the manager's word, which a manager that moves its frame without telling the client (weston
// under XWayland) never gives. The server's own figures have none of these faults.
class X11WindowFrame : public NativeFrame, public QAbstractNativeEventFilter {
public:
    // `news` runs whenever the manager reports other extents than before, or the server tells of
    // another place.
    X11WindowFrame(QWidget& window, std::function<void(FrameNews)> news);
    ~X11WindowFrame() override;
    X11WindowFrame(const X11WindowFrame&) = delete;
    X11WindowFrame& operator=(const X11WindowFrame&) = delete;

    QRect OuterRect() const override;
    // In the device pixels of the X server; none where no manager reports a frame.
    QMargins Extents() const { return m_extents; }

    // Asks for a title bar with a close box and a border that offers no resizing: the window can
    // be moved and closed, not resized, maximised or minimised, where the manager honours the
    // hints. Qt always offers resizing in them.
    void AskForFixedDialogFrame() override;
    // Before the window is mapped: learns the frame the manager will put around it.
    void LearnFrameBeforeShowing(std::chrono::milliseconds longest) override;
    void MoveOuterTo(QPoint topLeft) override;
    // Asks for another client size and leaves the position to the manager, which keeps the
    // window's reference point, and so its place, as it is.
    void ResizeClient(QSize size) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t Atom(const char* name) const;
    bool ManagerRuns() const;
    bool ManagerSupports(const char* atom) const;
    bool WaitForExtents(std::uint32_t window, std::chrono::steady_clock::time_point deadline);
    void LearnFromStandIn(std::chrono::steady_clock::time_point deadline);
    void ReadExtents();
    void FollowTopLevel();
    void ReadOrigin();

    QWidget& m_window;
    void* m_connection;
    std::uint32_t m_client;
    std::uint32_t m_root;
    std::uint32_t m_extentsAtom;
    std::function<void(FrameNews)> m_news;
    QMargins m_extents;
    // The client's ancestor just below the root (the manager's frame), whose moves the server
    // tells of; and the client's place on the root as last read, once anything has moved it.
    std::uint32_t m_topLevel;
    std::optional<QPoint> m_origin;
};

} // namespace glintfall
