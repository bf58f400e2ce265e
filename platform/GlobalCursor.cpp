#include "GlobalCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <memory>

namespace glintfall {

namespace {

xcb_connection_t* X11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// Asks for (or, with mask 0, stops) the raw motion of every pointer, on every screen's root window.
void SelectRawMotion(xcb_connection_t* connection, std::uint32_t mask)
{
    struct {
        xcb_input_event_mask_t header;
        std::uint32_t bits;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem > 0; xcb_screen_next(&screen))
        xcb_input_xi_select_events(connection, screen.data->root, 1, &selection.header);
    xcb_flush(connection);
}

// The opcode of the input extension's events, or 0 when the display has none.
std::uint8_t InputExtensionOpcode(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(connection, &xcb_input_id);
    return input && input->present ? input->major_opcode : 0;
}

// The window's ancestor that is a child of the root: the window manager's frame around it, or the
// window itself where no manager frames it.
xcb_window_t TopLevelAncestor(xcb_connection_t* connection, xcb_window_t window)
{
    for (;;) {
        const ReplyPtr<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr), &std::free);
        if (!tree || tree->parent == tree->root || tree->parent == XCB_NONE)
            return window;
        window = tree->parent;
    }
}

// Whether the pointer is on this child of the root, or on one of its descendants.
bool PointerOn(xcb_connection_t* connection, xcb_window_t topLevel)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const ReplyPtr<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr), &std::free);
    return pointer && pointer->child == topLevel;
}

} // namespace

// The server keeps one selection of raw motion per program, so it lasts as long as any watch
// wants it.
int GlobalCursor::s_rawMotionWatches = 0;

GlobalCursor::GlobalCursor(Clock::duration longestTrust)
    : m_longestTrust(longestTrust)
{
    m_framePoll.setInterval(kFramePollInterval);
    connect(&m_framePoll, &QTimer::timeout, this, &GlobalCursor::HeardOfMotion);
    if (xcb_connection_t* connection = X11Connection())
        m_inputOpcode = InputExtensionOpcode(connection);
    if (WatchesMotion())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalCursor::~GlobalCursor()
{
    OnFrameOnly(false);
}

void GlobalCursor::Watch(QWidget& window)
{
    if (!WatchesMotion())
        return;
    m_window = static_cast<std::uint32_t>(window.winId());
    FindFrame();
}

// Crossings of a frame are selected here; those of the program's own windows Qt selects itself.
void GlobalCursor::FindFrame()
{
    xcb_connection_t* connection = X11Connection();
    m_frame = TopLevelAncestor(connection, m_window);
    if (m_frame != m_window) {
        const std::uint32_t crossings = XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
        xcb_change_window_attributes(connection, m_frame, XCB_CW_EVENT_MASK, &crossings);
    }
    m_onFrame = PointerOn(connection, m_frame);
    m_moved = true;
    OnFrameOnly(m_onFrame && !m_onWindow);
}

QPoint GlobalCursor::Pos()
{
    if (WatchesMotion() && !m_moved && Clock::now() - m_readAt < m_longestTrust)
        return m_lastReading;
    // Cleared before reading: motion that comes in while the reply is on its way counts for next time.
    m_moved = false;
    m_lastReading = QCursor::pos();
    m_readAt = Clock::now();
    return m_lastReading;
}

// A crossing into a window's descendant, or back from one, leaves the pointer on the window.
void GlobalCursor::Crossed(std::uint32_t window, bool entered, std::uint8_t detail)
{
    const bool on = entered || detail == XCB_NOTIFY_DETAIL_INFERIOR;
    if (window == m_window)
        m_onWindow = on;
    if (window == m_frame)
        m_onFrame = on;
    OnFrameOnly(m_onFrame && !m_onWindow);
}

// On the frame but off the window the program hears of no motion but the raw motion it asks for
// there, and of none at all from a program that warps the pointer, so it also looks now and then.
void GlobalCursor::OnFrameOnly(bool onFrameOnly)
{
    if (onFrameOnly == m_onFrameOnly)
        return;
    m_onFrameOnly = onFrameOnly;
    if (onFrameOnly)
        m_framePoll.start();
    else
        m_framePoll.stop();
    const bool wasSelected = s_rawMotionWatches > 0;
    s_rawMotionWatches += onFrameOnly ? 1 : -1;
    xcb_connection_t* connection = X11Connection();
    if (connection && wasSelected != (s_rawMotionWatches > 0))
        SelectRawMotion(connection, onFrameOnly ? XCB_INPUT_XI_EVENT_MASK_RAW_MOTION : 0);
}

bool GlobalCursor::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto& event = *static_cast<const xcb_generic_event_t*>(message);
    bool news = true;
    switch (event.response_type & 0x7F) {
    case XCB_MOTION_NOTIFY:
        break;
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY: {
        const auto& crossing = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
        Crossed(crossing.event, (event.response_type & 0x7F) == XCB_ENTER_NOTIFY, crossing.detail);
        break;
    }
    case XCB_REPARENT_NOTIFY:
        news = reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window == m_window && m_window != 0;
        if (news)
            FindFrame();
        break;
    case XCB_GE_GENERIC: {
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        news = generic.extension == m_inputOpcode
               && (generic.event_type == XCB_INPUT_RAW_MOTION || generic.event_type == XCB_INPUT_MOTION
                   || generic.event_type == XCB_INPUT_ENTER || generic.event_type == XCB_INPUT_LEAVE);
        if (news && (generic.event_type == XCB_INPUT_ENTER || generic.event_type == XCB_INPUT_LEAVE)) {
            const auto& crossing = reinterpret_cast<const xcb_input_enter_event_t&>(event);
            Crossed(crossing.event, generic.event_type == XCB_INPUT_ENTER, crossing.detail);
        }
        break;
    }
    default:
        news = false;
    }
    if (news)
        HeardOfMotion();
    return false;
}

void GlobalCursor::HeardOfMotion()
{
    m_moved = true;
    emit Moved();
}

} // namespace glintfall
