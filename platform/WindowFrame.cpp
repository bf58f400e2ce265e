#include "WindowFrame.h"

#include "WindowSystem.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace glintfall {

namespace {

// Most managers answer within a few milliseconds; a busy one gets this long before the window is
// shown without its frame known.
constexpr std::chrono::milliseconds kLongestWaitForFrame(500);
// How long after the window is first shown a frame reported late still moves it into place, and
// how long after its size or state was undone the window is still taken back to its place.
constexpr std::chrono::milliseconds kPlacingTime(2000);

constexpr Qt::WindowStates kResizingStates = Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

WindowFrame& WindowFrame::Of(QWidget& window)
{
    if (auto* frame = window.findChild<WindowFrame*>(QString(), Qt::FindDirectChildrenOnly))
        return *frame;
    return *new WindowFrame(window);
}

WindowFrame::WindowFrame(QWidget& window)
    : QObject(&window)
    , m_window(window)
{
    window.installEventFilter(this);
}

WindowFrame::~WindowFrame() = default;

QRect WindowFrame::OuterRect() const
{
    return m_native ? m_native->OuterRect() : m_window.frameGeometry();
}

QPoint WindowFrame::FromScreen(QPoint onScreen) const
{
    return m_native ? m_native->FromScreen(onScreen) : onScreen;
}

bool WindowFrame::Placed() const
{
    return m_native && m_native->Placed();
}

void WindowFrame::Place(Placement placement)
{
    m_placement = std::move(placement);
    MoveOuterTo(m_placement(OuterRect().size()));
}

void WindowFrame::KeepFixedDialogFrame()
{
    m_fixedDialogFrame = true;
    if (m_native)
        m_native->AskForFixedDialogFrame();
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        if (!m_shown) {
            m_shown = true;
            BeforeFirstShow();
        }
        break;
    case QEvent::ShowToParent:
        // Sent once Qt has asked the windowing system to show the window.
        if (m_native && !m_askedToShow) {
            m_askedToShow = true;
            m_native->AfterFirstShow();
        }
        break;
    case QEvent::WindowStateChange:
    case QEvent::Resize:
    case QEvent::Move:
        Moved();
        break;
    default:
        break;
    }
    return false;
}

// The show event comes after the native window is made and before it is mapped: the last moment
// to set its hints and its place.
void WindowFrame::BeforeFirstShow()
{
    m_native = WindowSystem::Current().FrameOf(m_window, [this](FrameNews news) {
        if (news == FrameNews::OtherFrame)
            FrameReported();
        else
            Moved();
    });
    if (m_fixedDialogFrame)
        m_native->AskForFixedDialogFrame();
    m_native->BeforeFirstShow(kLongestWaitForFrame);
    m_ratio = m_window.devicePixelRatioF();
    m_placingEnds = QDeadlineTimer(kPlacingTime);
    if (m_placement)
        MoveOuterTo(m_placement(OuterRect().size()));
}

// A manager that did not tell the frame in time, or told another than it then gave, reports it
// once the window is on screen: the window is placed again, but only shortly after it first
// appeared, since later moves are the user's.
void WindowFrame::FrameReported()
{
    if (m_placement && !m_placingEnds.hasExpired())
        MoveOuterTo(m_placement(OuterRect().size()));
    TellIfChanged();
}

void WindowFrame::MoveOuterTo(QPoint topLeft)
{
    if (m_native)
        m_native->MoveOuterTo(topLeft);
    else
        m_window.move(topLeft);
}

// Whatever maximised, filled the screen with or resized the window is undone, and the window is
// taken back to its place: managers do not all restore it there when they end such a state.
void WindowFrame::KeepFixedSizeAndPlace()
{
    if (!m_native)
        return; // not shown yet: its size and place are still the program's own
    const Qt::WindowStates state = m_window.windowState();
    const QSize fixed = m_window.minimumSize();
    if (m_window.size() == fixed)
        m_rescaling = false;
    if (state & kResizingStates) {
        m_restoringEnds = QDeadlineTimer(kPlacingTime);
        m_window.setWindowState(state & ~kResizingStates);
    } else if (m_window.size() != fixed) {
        if (!m_rescaling)
            m_restoringEnds = QDeadlineTimer(kPlacingTime);
        m_native->ResizeClient(fixed);
    } else if (m_placement && !m_restoringEnds.hasExpired()) {
        // Managers may move the window more than once on the way back, so it is taken back to
        // its place after each move for a while, not only until it first gets there.
        const QPoint placed = m_placement(OuterRect().size());
        if (OuterRect().topLeft() != placed)
            MoveOuterTo(placed);
    }
}

// Moved onto a screen of another scale, the window keeps its pixels, and with them its place,
// until it is given the size it has in Qt's pixels there: the manager did not resize it, so it
// stays where it was put. Qt 6.4 gives the window itself its pixels at the new scale, but not the
// native windows of its children (a control that shows pictures past Qt's backing store, and its
// siblings), which would cover too little of the window and take the pointer elsewhere than they
// are drawn: each is given its place again, at the new scale.
void WindowFrame::FollowScale()
{
    const qreal ratio = m_window.devicePixelRatioF();
    if (!m_native || ratio == std::exchange(m_ratio, ratio))
        return;
    m_rescaling = true;
    for (QWidget* child : m_window.findChildren<QWidget*>()) {
        if (child->internalWinId() && child->windowHandle())
            child->windowHandle()->setGeometry(child->geometry());
    }
}

// The window moved, was resized or changed state, whether Qt or the windowing system told of it.
void WindowFrame::Moved()
{
    FollowScale();
    if (m_fixedDialogFrame)
        KeepFixedSizeAndPlace();
    TellIfChanged();
}

void WindowFrame::TellIfChanged()
{
    const QRect outer = OuterRect();
    const bool placed = Placed();
    if (outer == m_lastOuter && placed == m_lastPlaced)
        return;
    m_lastOuter = outer;
    m_lastPlaced = placed;
    emit OuterRectChanged(outer);
}

} // namespace glintfall
