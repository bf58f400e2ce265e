#include "WindowFrame.h"

#include "X11WindowFrame.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace glintfall {

namespace {

// Most managers answer within a few milliseconds; a busy one gets this long before the window is
// shown without its frame known.
constexpr std::chrono::milliseconds kLongestWaitForFrame(500);
// How long after the window is first shown a frame reported late still moves it into place, and
// how long after its size or state was undone the window is still taken back to its place.
constexpr std::chrono::milliseconds kPlacingTime(2000);

constexpr Qt::WindowStates kResizingStates = Qt::WindowMaximized | Qt::WindowFullScreen;

QMargins Scaled(const QMargins& margins, qreal ratio)
{
    return {qRound(margins.left() / ratio), qRound(margins.top() / ratio), qRound(margins.right() / ratio),
            qRound(margins.bottom() / ratio)};
}

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
    if (!m_x11)
        return m_window.frameGeometry();
    // The manager reports the frame in the X server's pixels.
    return m_window.geometry().marginsAdded(Scaled(m_x11->Extents(), m_window.devicePixelRatioF()));
}

void WindowFrame::Place(Placement placement)
{
    m_placement = std::move(placement);
    MoveOuterTo(m_placement(OuterRect().size()));
}

void WindowFrame::KeepFixedDialogFrame()
{
    m_fixedDialogFrame = true;
    if (m_x11)
        m_x11->AskForFixedDialogFrame();
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
    case QEvent::WindowStateChange:
    case QEvent::Resize:
    case QEvent::Move:
        if (m_fixedDialogFrame)
            KeepFixedSizeAndPlace();
        TellIfChanged();
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
    m_x11 = X11WindowFrame::Create(m_window.winId(), [this] { FrameReported(); });
    if (m_x11) {
        if (m_fixedDialogFrame)
            m_x11->AskForFixedDialogFrame();
        m_x11->LearnBeforeMapping(kLongestWaitForFrame);
    }
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
    QWindow* window = m_window.windowHandle();
    if (!m_x11 || !window) {
        m_window.move(topLeft);
        return;
    }
    // Given the frame's position, Qt asks the manager to put the frame's top-left corner there
    // (north-west gravity, ICCCM), which every manager does exactly; a client position (static
    // gravity) is not kept by all. Before the window is mapped, Qt moves it to where the widget
    // thinks the client is, so the widget is told the same place first.
    if (!window->isVisible())
        m_window.setGeometry(QRect(topLeft, m_window.size()));
    window->setFramePosition(topLeft);
}

// Whatever maximised, filled the screen with or resized the window is undone, and the window is
// taken back to its place: managers do not all restore it there when they end such a state.
void WindowFrame::KeepFixedSizeAndPlace()
{
    const Qt::WindowStates state = m_window.windowState();
    const QSize fixed = m_window.minimumSize();
    if (state & kResizingStates) {
        m_restoringEnds = QDeadlineTimer(kPlacingTime);
        m_window.setWindowState(state & ~kResizingStates);
    } else if (m_window.size() != fixed) {
        m_restoringEnds = QDeadlineTimer(kPlacingTime);
        // Only the size is asked for, so the manager keeps the window's reference point where it is.
        if (m_x11)
            m_x11->Resize(fixed * m_window.devicePixelRatioF());
        else
            m_window.resize(fixed);
    } else if (m_placement && !m_restoringEnds.hasExpired()) {
        const QPoint placed = m_placement(OuterRect().size());
        if (OuterRect().topLeft() == placed)
            m_restoringEnds = QDeadlineTimer();
        else
            MoveOuterTo(placed);
    }
}

void WindowFrame::TellIfChanged()
{
    const QRect outer = OuterRect();
    if (outer == m_lastOuter)
        return;
    m_lastOuter = outer;
    emit OuterRectChanged(outer);
}

} // namespace glintfall
