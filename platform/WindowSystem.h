#pragma once

#include "Geometry.h"

#include <QPoint>
#include <QRect>

#include <chrono>
#include <functional>
#include <memory>
#include <span>

class QWidget;

namespace glintfall {

class TABitmap;

// Where the pointer is, in the coordinates of the watched window's outer rectangle as its
// WindowFrame gives it, so that the frame tick can read the two together on every frame.
class PointerWatch {
public:
    virtual ~PointerWatch() = default;
    virtual QPoint Pos() = 0;
};

// What a windowing system tells of a window on its own, unasked.
enum class FrameNews {
    OtherFrame, // the frame around it is another than before
    OtherPlace, // it is elsewhere than Qt knows
};

// The frame a windowing system puts around one top-level window, and the window's place and size
// as that system keeps them.
class NativeFrame {
public:
    virtual ~NativeFrame() = default;

    // The window's outer rectangle, frame and title bar included, in Qt's pixels.
    virtual QRect OuterRect() const = 0;
    // A point of the screen as the system reports the pointer there, in the coordinates of
    // OuterRect: at the window's own scale, wherever the point is.
    virtual QPoint FromScreen(QPoint onScreen) const { return onScreen; }
    // Whether the window is on the screen where its manager placed it: until then it has no place
    // the pointer could be over.
    virtual bool Placed() const = 0;
    // A title bar with a close box, and no resizing, maximising or minimising, as far as the system
    // lets the program ask for that; whatever resizes the window all the same is undone elsewhere.
    virtual void AskForFixedDialogFrame() = 0;
    // Before the window is first shown: settles the frame it will get, waiting at most `longest`,
    // so that it can be placed before it appears.
    virtual void BeforeFirstShow(std::chrono::milliseconds longest) = 0;
    // Once Qt has asked the system to show the window, before the system has answered.
    virtual void AfterFirstShow() {}
    virtual void MoveOuterTo(QPoint topLeft) = 0;
    // Asks for this client size, in Qt's pixels, and leaves the window's place as it is.
    virtual void ResizeClient(QSize size) = 0;
};

// Shows a native widget's pictures on the screen past Qt's backing store.
class FramePresenter {
public:
    virtual ~FramePresenter() = default;

    // Shows these areas of the picture at the widget's top-left corner; the whole picture, when
    // none is shown yet. A picture of another size than the widget's is not shown.
    virtual void Put(const TABitmap& picture, std::span<const TArea> areas) = 0;
    // Shows the picture again, for a widget that was covered; black when there is none.
    virtual void ShowAgain() = 0;
    // Fills the widget with black, as before the first picture, and forgets the picture.
    virtual void Clear() = 0;
    virtual bool HasPicture() const = 0;
    // A copy of the picture shown.
    virtual TABitmap Picture() const = 0;
};

// What the program needs from the windowing system beneath Qt where the systems differ: the
// pointer for the frame tick, the frame around a top-level window, and a path for frames to the
// screen past Qt. Each system's own answers live in a folder of their own (x11/, wayland/); this
// class gives what Qt alone knows, which serves wherever nothing better is known (offscreen).
class WindowSystem {
public:
    // The one for the platform Qt runs on, chosen when first asked.
    static const WindowSystem& Current();
    virtual ~WindowSystem() = default;

    // Nothing where Qt's own idea of the pointer is all there is; `moved` runs on news that the
    // pointer may have moved over the window or its frame.
    virtual std::unique_ptr<PointerWatch> WatchPointer(QWidget& window, std::function<void()> moved) const;
    // `news` runs when the system tells of the window what Qt does not.
    virtual std::unique_ptr<NativeFrame> FrameOf(QWidget& window, std::function<void(FrameNews)> news) const;
    // Nothing where pictures reach the screen only through Qt.
    virtual std::unique_ptr<FramePresenter> PresenterFor(QWidget& widget) const;
};

} // namespace glintfall
