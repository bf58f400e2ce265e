#pragma once

#include "WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QSize>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace glintfall {

// The frame an X11 window manager puts around one of the program's top-level windows, and the
// window's place, read through Qt's own connection to the X server. The frame is the one the
// manager reports in _NET_FRAME_EXTENTS (EWMH); a manager that reports none but wraps the client in
// a window of its own (weston under XWayland) has drawn that window as the frame, less the
// see-through shadow a compositing manager draws around it. Qt works the frame out from the
// windows the manager wraps around the client, which goes wrong where a manager adds invisible
// borders, nests several wrappers, or has not finished framing; and it takes the client's place
// from the manager's word, which a manager that moves its frame without telling the client never
// gives. The server's own figures have none of these faults.
//
// Everything is kept in the server's pixels and turned into Qt's at the window's own scale, so that
// the pointer and the window are measured alike wherever they are, across monitors of different
// scales too.
class X11WindowFrame : public NativeFrame, public QAbstractNativeEventFilter {
public:
    // Made before the window is first mapped. `news` runs whenever the manager reports another frame
    // than before, or the server tells of another place, or the window is placed or taken off the
    // screen.
    X11WindowFrame(QWidget& window, std::function<void(FrameNews)> news);
    ~X11WindowFrame() override;
    X11WindowFrame(const X11WindowFrame&) = delete;
    X11WindowFrame& operator=(const X11WindowFrame&) = delete;

    QRect OuterRect() const override;
    // `onScreen` in the X server's pixels.
    QPoint FromScreen(QPoint onScreen) const override;
    // Mapped whole, with its place read after that: a manager wraps, moves and sizes the window
    // around its mapping, and the server tells of each step.
    bool Placed() const override { return m_placed; }
    // The frame around the client, in the X server's pixels; none where nothing frames it.
    QMargins Frame() const;

    // Asks for a title bar with a close box and a border that offers no resizing: the window can
    // be moved and closed, not resized, maximised or minimised, where the manager honours the
    // hints. Qt always offers resizing in them.
    void AskForFixedDialogFrame() override;
    // Before the window is mapped: learns the frame the manager will put around it.
    void BeforeFirstShow(std::chrono::milliseconds longest) override;
    void MoveOuterTo(QPoint topLeft) override;
    // Asks for another client size and leaves the position to the manager, which keeps the
    // window's reference point, and so its place, as it is.
    void ResizeClient(QSize size) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t Atom(const char* name) const;
    void CarryStartupId();
    bool ManagerRuns() const;
    bool ManagerSupports(const char* atom) const;
    bool WaitForExtents(std::uint32_t window, std::chrono::steady_clock::time_point deadline);
    void LearnFromStandIn(std::chrono::steady_clock::time_point deadline);
    QRect ServerOuterRect() const;
    QPointF InQtPixels(QPoint onScreen) const;
    QRect InQtPixels(const QRect& outer) const;
    void ReadExtents();
    void FollowTopLevel();
    std::optional<QMargins> MeasureDrawnFrame() const;
    void ReadDrawnFrame();
    void ReadOrigin();
    void MapChanged(bool mapped);
    bool ShownWhole() const;
    void UpdatePlaced();

    QWidget& m_window;
    void* m_connection;
    std::uint32_t m_client;
    std::uint32_t m_root;
    std::uint32_t m_extentsAtom;
    std::function<void(FrameNews)> m_news;
    // As the manager reports it, where it does.
    std::optional<QMargins> m_extents;
    // The client's ancestor just below the root (the manager's frame), whose moves the server
    // tells of, and the part of it the manager has drawn around the client, where the manager
    // reports no extents.
    std::uint32_t m_topLevel;
    QSize m_topLevelSize;
    QMargins m_drawnFrame;
    // A manager draws its frame a moment after it maps it: until then it is looked at again.
    QTimer m_drawnFrameRetry;
    int m_drawnFrameLooks = 0;
    // The client's place on the root as last read, in the server's pixels.
    QPoint m_origin;
    bool m_mapped = false;
    bool m_placed = false;
};

} // namespace glintfall
