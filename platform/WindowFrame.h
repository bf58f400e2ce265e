#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QRect>

#include <functional>
#include <memory>

class QWidget;

namespace glintfall {

class NativeFrame;

// A top-level window's outer rectangle, frame and title bar included, and the window's placement
// by it, as the windowing system beneath Qt knows them (see WindowSystem): under X11 the frame the
// window manager reports, learnt before the window is first shown, so that the window appears where
// it belongs and stays there; under Wayland the title bar Qt draws itself.
class WindowFrame : public QObject {
    Q_OBJECT
public:
    // Where a window goes, given its outer size.
    using Placement = std::function<QPoint(QSize outer)>;

    // The frame of this top-level window: made on first use, owned by the window.
    static WindowFrame& Of(QWidget& window);
    ~WindowFrame() override;

    // In screen coordinates, in Qt's pixels. Read on every frame: it costs no request to the
    // windowing system, since the window's position and the frame both come with its events.
    QRect OuterRect() const;
    // A point of the screen where the windowing system reports the pointer, in the coordinates of
    // OuterRect (see NativeFrame::FromScreen).
    QPoint FromScreen(QPoint onScreen) const;
    // Shown where its manager placed it: before that, and while it is hidden, the window has no
    // place on the screen the pointer could be over.
    bool Placed() const;

    // Places the window by its outer rectangle: now, with the frame known so far; again as the
    // window is first shown, with the frame learnt before it appears; and once more if the manager
    // reports another frame within a short while after that.
    void Place(Placement placement);

    // A title bar with a close box, and a border that neither resizes, maximises nor minimises the
    // window where the manager honours that; whatever resizes or maximises the window all the same,
    // it returns to its fixed size and to where it was placed.
    void KeepFixedDialogFrame();

signals:
    // The window moved or was resized, was placed or hidden, or the manager reported another frame.
    void OuterRectChanged(const QRect& outer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowFrame(QWidget& window);
    void BeforeFirstShow();
    void FrameReported();
    void MoveOuterTo(QPoint topLeft);
    void Moved();
    void FollowScale();
    void KeepFixedSizeAndPlace();
    void TellIfChanged();

    QWidget& m_window;
    // Made as the window is first shown, when the system has a window to frame.
    std::unique_ptr<NativeFrame> m_native;
    Placement m_placement;
    QDeadlineTimer m_placingEnds;
    QDeadlineTimer m_restoringEnds;
    bool m_fixedDialogFrame = false;
    bool m_shown = false;
    bool m_askedToShow = false;
    // The scale the window had when its size was last looked at, and whether it is on its way to
    // its size at a new one.
    qreal m_ratio = 1;
    bool m_rescaling = false;
    QRect m_lastOuter;
    bool m_lastPlaced = false;
};

} // namespace glintfall
