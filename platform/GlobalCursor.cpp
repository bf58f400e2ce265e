#include "GlobalCursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace glintfall {

namespace {

xcb_connection_t* X11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Asks for (or, with mask 0, stops) the raw motion of every pointer, on every screen's root window.
bool SelectRawMotion(xcb_connection_t* connection, std::uint32_t mask)
{
    struct {
        xcb_input_event_mask_t header;
        std::uint32_t bits;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    bool selected = true;
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem > 0; xcb_screen_next(&screen)) {
        const xcb_void_cookie_t cookie =
            xcb_input_xi_select_events_checked(connection, screen.data->root, 1, &selection.header);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            std::free(error);
            selected = false;
        }
    }
    return selected;
}

// The opcode of the input extension's events, or 0 when the display has none.
std::uint8_t InputExtensionOpcode(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(connection, &xcb_input_id);
    return input && input->present ? input->major_opcode : 0;
}

// Raw motion comes from pointing devices wherever the pointer is; a pointer that a program moves
// (a warp, or XTest to an absolute position) shows only in the motion, entering and leaving events
// of the window it moves over, which for the program's own windows come here too.
bool TellsOfMotion(const xcb_generic_event_t& event, std::uint8_t inputOpcode)
{
    switch (event.response_type & 0x7F) {
    case XCB_MOTION_NOTIFY:
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
        return true;
    case XCB_GE_GENERIC:
        break;
    default:
        return false;
    }
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != inputOpcode)
        return false;
    switch (generic.event_type) {
    case XCB_INPUT_RAW_MOTION:
    case XCB_INPUT_MOTION:
    case XCB_INPUT_ENTER:
    case XCB_INPUT_LEAVE:
        return true;
    default:
        return false;
    }
}

} // namespace

// The server keeps one selection per program, so it lasts as long as any watch does.
int GlobalCursor::s_watches = 0;

GlobalCursor::GlobalCursor(Clock::duration longestTrust)
    : m_longestTrust(longestTrust)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection)
        return;
    const std::uint8_t opcode = InputExtensionOpcode(connection);
    const bool selected = s_watches > 0 || SelectRawMotion(connection, XCB_INPUT_XI_EVENT_MASK_RAW_MOTION);
    if (opcode == 0 || !selected)
        return;
    ++s_watches;
    m_motionOpcode = opcode;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalCursor::~GlobalCursor()
{
    if (!WatchesMotion() || --s_watches > 0)
        return;
    if (xcb_connection_t* connection = X11Connection())
        SelectRawMotion(connection, 0);
}

QPoint GlobalCursor::Pos()
{
    if (ReadingIsCurrent())
        return m_lastReading;
    // Cleared before reading: motion that comes in while the reply is on its way counts for next time.
    m_moved = false;
    m_lastReading = QCursor::pos();
    m_readAt = Clock::now();
    return m_lastReading;
}

bool GlobalCursor::ReadingIsCurrent() const
{
    return WatchesMotion() && !m_moved && Clock::now() - m_readAt < m_longestTrust;
}

bool GlobalCursor::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    const bool motion = eventType == "xcb_generic_event_t"
                        && TellsOfMotion(*static_cast<const xcb_generic_event_t*>(message), m_motionOpcode);
    m_moved = m_moved || motion;
    return false;
}

} // namespace glintfall
