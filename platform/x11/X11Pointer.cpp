#include "X11Pointer.h"

#include "WindowFrame.h"
#include "XcbHelpers.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace glintfall {

namespace {

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

xcb::ReplyPointer<xcb_query_pointer_reply_t> QueryPointer(xcb_connection_t* connection)
{
    return xcb::Owned(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, xcb::Root(connection)), nullptr));
}

// Whether the pointer is on this child of the root, or on one of its descendants.
bool PointerOn(xcb_connection_t* connection, xcb_window_t topLevel)
{
    const auto pointer = QueryPointer(connection);
    return pointer && pointer->child == topLevel;
}

// What an event tells of the pointer.
struct PointerNews {
    enum class Kind { None, Motion, Position, Crossing, Reparenting };
    Kind kind = Kind::None;
    std::uint32_t window = 0;
    bool entered = false;
    std::uint8_t detail = 0;
    QPoint position;
};

// Positions come as fixed-point numbers with 16 bits of fraction; the pointer's pixel is the whole
// part, as the server reports it when asked.
int Pixel(xcb_input_fp1616_t coordinate)
{
    return static_cast<int>(coordinate >> 16);
}

PointerNews InputNewsIn(const xcb_ge_generic_event_t& event)
{
    using Kind = PointerNews::Kind;
    switch (event.event_type) {
    case XCB_INPUT_RAW_MOTION:
        return {.kind = Kind::Motion, .position = {}};
    case XCB_INPUT_MOTION: {
        const auto& motion = reinterpret_cast<const xcb_input_motion_event_t&>(event);
        return {.kind = Kind::Position, .position = {Pixel(motion.root_x), Pixel(motion.root_y)}};
    }
    case XCB_INPUT_ENTER:
    case XCB_INPUT_LEAVE: {
        const auto& crossing = reinterpret_cast<const xcb_input_enter_event_t&>(event);
        return {.kind = Kind::Crossing,
                .window = crossing.event,
                .entered = event.event_type == XCB_INPUT_ENTER,
                .detail = crossing.detail,
                .position = {Pixel(crossing.root_x), Pixel(crossing.root_y)}};
    }
    default:
        return {};
    }
}

PointerNews NewsIn(const xcb_generic_event_t& event, std::uint8_t inputOpcode)
{
    using Kind = PointerNews::Kind;
    const std::uint8_t type = event.response_type & 0x7F;
    switch (type) {
    case XCB_MOTION_NOTIFY: {
        const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        return {.kind = Kind::Position, .position = {motion.root_x, motion.root_y}};
    }
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY: {
        const auto& crossing = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
        return {.kind = Kind::Crossing,
                .window = crossing.event,
                .entered = type == XCB_ENTER_NOTIFY,
                .detail = crossing.detail,
                .position = {crossing.root_x, crossing.root_y}};
    }
    case XCB_REPARENT_NOTIFY:
        return {.kind = Kind::Reparenting,
                .window = reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window,
                .position = {}};
    case XCB_GE_GENERIC: {
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        return generic.extension == inputOpcode ? InputNewsIn(generic) : PointerNews{};
    }
    default:
        return {};
    }
}

} // namespace

// The server keeps one selection of raw motion per program, so it lasts as long as any watch
// wants it.
int X11Pointer::s_rawMotionWatches = 0;

std::unique_ptr<X11Pointer> X11Pointer::Create(QWidget& window, std::function<void()> moved,
                                               Clock::duration longestTrust)
{
    xcb_connection_t* connection = xcb::QtConnection();
    const std::uint8_t inputOpcode = connection ? InputExtensionOpcode(connection) : 0;
    if (inputOpcode == 0)
        return nullptr;
    return std::unique_ptr<X11Pointer>(new X11Pointer(inputOpcode, window, std::move(moved), longestTrust));
}

X11Pointer::X11Pointer(std::uint8_t inputOpcode, QWidget& window, std::function<void()> moved,
                       Clock::duration longestTrust)
    : m_inputOpcode(inputOpcode)
    , m_moved(std::move(moved))
    , m_longestTrust(longestTrust)
    , m_windowFrame(WindowFrame::Of(window))
    , m_window(static_cast<std::uint32_t>(window.winId()))
{
    m_framePoll.setInterval(kFramePollInterval);
    connect(&m_framePoll, &QTimer::timeout, this, &X11Pointer::HeardOfMotion);
    QCoreApplication::instance()->installNativeEventFilter(this);
    FindFrame();
}

X11Pointer::~X11Pointer()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    OnFrameOnly(false);
}

// Crossings of a frame are selected here; those of the program's own windows Qt selects itself.
void X11Pointer::FindFrame()
{
    xcb_connection_t* connection = xcb::QtConnection();
    m_frame = xcb::TopLevelAncestor(connection, m_window);
    if (m_frame != m_window)
        xcb::SelectMoreEvents(connection, m_frame, XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW);
    m_onFrame = PointerOn(connection, m_frame);
    m_stale = true;
    OnFrameOnly(m_onFrame && !m_onWindow);
}

// Positions are kept as the server gives them, in its pixels, and measured against the window at
// its own scale when asked for.
QPoint X11Pointer::Pos()
{
    if (m_stale || Clock::now() - m_readAt >= m_longestTrust) {
        // Cleared before reading: motion that comes in while the reply is on its way counts for
        // next time.
        m_stale = false;
        if (const auto pointer = QueryPointer(xcb::QtConnection()))
            m_lastReading = QPoint(pointer->root_x, pointer->root_y);
        m_readAt = Clock::now();
    }
    return m_windowFrame.FromScreen(m_lastReading);
}

// A crossing into a window's descendant, or back from one, leaves the pointer on the window.
void X11Pointer::Crossed(std::uint32_t window, bool entered, std::uint8_t detail)
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
void X11Pointer::OnFrameOnly(bool onFrameOnly)
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
    xcb_connection_t* connection = xcb::QtConnection();
    if (connection && wasSelected != (s_rawMotionWatches > 0))
        SelectRawMotion(connection, onFrameOnly ? XCB_INPUT_XI_EVENT_MASK_RAW_MOTION : 0);
}

bool X11Pointer::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const PointerNews news = NewsIn(*static_cast<const xcb_generic_event_t*>(message), m_inputOpcode);
    switch (news.kind) {
    case PointerNews::Kind::None:
        break;
    case PointerNews::Kind::Crossing:
        Crossed(news.window, news.entered, news.detail);
        HeardOfPosition(news.position);
        break;
    case PointerNews::Kind::Position:
        HeardOfPosition(news.position);
        break;
    case PointerNews::Kind::Reparenting:
        if (news.window != m_window)
            break;
        FindFrame();
        HeardOfMotion();
        break;
    case PointerNews::Kind::Motion:
        HeardOfMotion();
        break;
    }
    return false;
}

// News of motion with no position: the pointer is read again when it is next asked for.
void X11Pointer::HeardOfMotion()
{
    m_stale = true;
    m_moved();
}

// An event that tells where the pointer went spares the next reading its round trip.
void X11Pointer::HeardOfPosition(QPoint onScreen)
{
    m_stale = false;
    m_lastReading = onScreen;
    m_readAt = Clock::now();
    m_moved();
}

} // namespace glintfall
