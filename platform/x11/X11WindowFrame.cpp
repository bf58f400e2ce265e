#include "X11WindowFrame.h"

#include "XcbHelpers.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

namespace glintfall {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status (the Motif window manager's
// hints, which every major manager reads).
constexpr std::uint32_t kMotifFunctionsAndDecorations = 1 | 2;
constexpr std::uint32_t kFunctionMove = 4;
constexpr std::uint32_t kFunctionClose = 32;
constexpr std::uint32_t kDecorationBorder = 2;
constexpr std::uint32_t kDecorationTitle = 8;

// WM_HINTS (ICCCM): flags, input, initial state, and six fields left unset.
constexpr std::uint32_t kStateHint = 2;
constexpr std::uint32_t kIconicState = 3;

using xcb::Ask;
using xcb::Owned;

xcb_connection_t* Connection(void* connection)
{
    return static_cast<xcb_connection_t*>(connection);
}

// A property of 32-bit values; empty when it is missing, of another type, or the window is gone.
std::vector<std::uint32_t> Property32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type, std::uint32_t longest)
{
    const auto reply =
        Ask(connection, xcb_get_property(connection, false, window, property, type, 0, longest), &xcb_get_property_reply);
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

void CopyProperty(xcb_connection_t* connection, xcb_window_t from, xcb_window_t to, xcb_atom_t property)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, false, from, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    const auto reply = Owned(xcb_get_property_reply(connection, cookie, nullptr));
    if (reply && reply->type != XCB_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, to, property, reply->type, reply->format,
                            xcb_get_property_value_length(reply.get()) / (reply->format / 8),
                            xcb_get_property_value(reply.get()));
}

// _NET_FRAME_EXTENTS holds left, right, top, bottom.
std::optional<QMargins> FrameExtents(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t extents)
{
    const std::vector<std::uint32_t> values = Property32(connection, window, extents, XCB_ATOM_CARDINAL, 4);
    if (values.size() != 4)
        return std::nullopt;
    return QMargins(static_cast<int>(values[0]), static_cast<int>(values[2]), static_cast<int>(values[1]),
                    static_cast<int>(values[3]));
}

QMargins Scaled(const QMargins& margins, qreal ratio)
{
    return {qRound(margins.left() / ratio), qRound(margins.top() / ratio), qRound(margins.right() / ratio),
            qRound(margins.bottom() / ratio)};
}

} // namespace

X11WindowFrame::X11WindowFrame(QWidget& window, std::function<void(FrameNews)> news)
    : m_window(window)
    , m_connection(xcb::QtConnection())
    , m_client(static_cast<std::uint32_t>(window.winId()))
    , m_root(xcb::Root(Connection(m_connection)))
    , m_extentsAtom(Atom("_NET_FRAME_EXTENTS"))
    , m_news(std::move(news))
    , m_extents(FrameExtents(Connection(m_connection), m_client, m_extentsAtom).value_or(QMargins()))
    , m_topLevel(m_client)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowFrame::~X11WindowFrame()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

// Positions from the server are in its device pixels, as are the extents.
QRect X11WindowFrame::OuterRect() const
{
    const qreal ratio = m_window.devicePixelRatioF();
    const QPoint topLeft = m_origin ? *m_origin / ratio : m_window.geometry().topLeft();
    return QRect(topLeft, m_window.size()).marginsAdded(Scaled(m_extents, ratio));
}

std::uint32_t X11WindowFrame::Atom(const char* name) const
{
    xcb_connection_t* connection = Connection(m_connection);
    const auto reply =
        Owned(xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

void X11WindowFrame::AskForFixedDialogFrame()
{
    const std::uint32_t hints[] = {kMotifFunctionsAndDecorations, kFunctionMove | kFunctionClose,
                                   kDecorationBorder | kDecorationTitle, 0, 0};
    const xcb_atom_t motif = Atom("_MOTIF_WM_HINTS");
    xcb_change_property(Connection(m_connection), XCB_PROP_MODE_REPLACE, m_client, motif, motif, 32, std::size(hints),
                        hints);
    xcb_flush(Connection(m_connection));
}

// A manager announces itself with a window that names itself in the same property (EWMH); a
// window left behind by a manager that has gone does not.
bool X11WindowFrame::ManagerRuns() const
{
    xcb_connection_t* connection = Connection(m_connection);
    const xcb_atom_t check = Atom("_NET_SUPPORTING_WM_CHECK");
    const std::vector<std::uint32_t> window = Property32(connection, m_root, check, XCB_ATOM_WINDOW, 1);
    return window.size() == 1 && Property32(connection, window[0], check, XCB_ATOM_WINDOW, 1) == window;
}

bool X11WindowFrame::ManagerSupports(const char* atom) const
{
    const std::vector<std::uint32_t> supported =
        Property32(Connection(m_connection), m_root, Atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    return std::ranges::find(supported, Atom(atom)) != supported.end();
}

void X11WindowFrame::LearnFrameBeforeShowing(milliseconds longest)
{
    const steady_clock::time_point deadline = steady_clock::now() + longest;
    if (!ManagerRuns())
        return;
    if (ManagerSupports("_NET_REQUEST_FRAME_EXTENTS")) {
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = m_client;
        request.type = Atom("_NET_REQUEST_FRAME_EXTENTS");
        xcb_send_event(Connection(m_connection), false, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&request));
        xcb_flush(Connection(m_connection));
        // Some managers answer with no frame at all and tell the real one only once they frame the
        // window, which asks for a title bar.
        if (WaitForExtents(m_client, deadline) && !m_extents.isNull())
            return;
    }
    // A manager that does not answer the request (KWin) still reports the frame of every window it
    // manages, and one that keeps windows hidden frames them all the same.
    if (ManagerSupports("_NET_FRAME_EXTENTS") && ManagerSupports("_NET_WM_STATE_HIDDEN"))
        LearnFromStandIn(deadline);
}

// Polled rather than awaited as an event: Qt's own thread reads the connection's events, and the
// window is not shown until the answer is in.
bool X11WindowFrame::WaitForExtents(std::uint32_t window, steady_clock::time_point deadline)
{
    for (;;) {
        if (const std::optional<QMargins> extents = FrameExtents(Connection(m_connection), window, m_extentsAtom)) {
            m_extents = *extents;
            return true;
        }
        if (steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
}

// A stand-in with the window's size and hints, mapped iconic and kept off task bars and pagers, so
// that it never shows, gets the frame the window will get.
void X11WindowFrame::LearnFromStandIn(steady_clock::time_point deadline)
{
    xcb_connection_t* connection = Connection(m_connection);
    const auto geometry = Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, m_client), nullptr));
    if (!geometry)
        return;
    const xcb_window_t standIn = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, standIn, m_root, 0, 0, geometry->width, geometry->height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    for (const xcb_atom_t property : {xcb_atom_t{XCB_ATOM_WM_NORMAL_HINTS}, xcb_atom_t{XCB_ATOM_WM_CLASS},
                                      Atom("_MOTIF_WM_HINTS"), Atom("_NET_WM_WINDOW_TYPE")})
        CopyProperty(connection, m_client, standIn, property);
    const std::uint32_t hints[9] = {kStateHint, 0, kIconicState};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, standIn, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        std::size(hints), hints);
    const std::uint32_t states[] = {Atom("_NET_WM_STATE_SKIP_TASKBAR"), Atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, standIn, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        std::size(states), states);
    xcb_map_window(connection, standIn);
    xcb_flush(connection);
    WaitForExtents(standIn, deadline);
    xcb_destroy_window(connection, standIn);
    xcb_flush(connection);
}

void X11WindowFrame::MoveOuterTo(QPoint topLeft)
{
    // The native window exists: the frame was made for it.
    QWindow* window = m_window.windowHandle();
    // Given the frame's position, Qt asks the manager to put the frame's top-left corner there
    // (north-west gravity, ICCCM), which every manager does exactly; a client position (static
    // gravity) is not kept by all. Before the window is mapped, Qt moves it to where the widget
    // thinks the client is, so the widget is told the same place first.
    if (!window->isVisible())
        m_window.setGeometry(QRect(topLeft, m_window.size()));
    window->setFramePosition(topLeft);
}

void X11WindowFrame::ResizeClient(QSize size)
{
    const QSize device = size * m_window.devicePixelRatioF();
    const std::uint32_t values[] = {static_cast<std::uint32_t>(device.width()),
                                    static_cast<std::uint32_t>(device.height())};
    xcb_configure_window(Connection(m_connection), m_client, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(Connection(m_connection));
}

void X11WindowFrame::ReadExtents()
{
    const QMargins extents =
        FrameExtents(Connection(m_connection), m_client, m_extentsAtom).value_or(QMargins());
    if (extents == m_extents)
        return;
    m_extents = extents;
    m_news(FrameNews::OtherFrame);
}

// The manager's frame, when it wraps the client in one, moves without the client: its moves are
// heard of from now on, and the client's place is read afresh.
void X11WindowFrame::FollowTopLevel()
{
    xcb_connection_t* connection = Connection(m_connection);
    m_topLevel = xcb::TopLevelAncestor(connection, m_client);
    if (m_topLevel != m_client)
        xcb::SelectMoreEvents(connection, m_topLevel, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    ReadOrigin();
}

// One request, made only when the server tells that the client or its frame was moved or
// reparented, never on a frame's reading of OuterRect.
void X11WindowFrame::ReadOrigin()
{
    const std::optional<QPoint> origin = xcb::OriginOnRoot(Connection(m_connection), m_client);
    if (!origin || origin == m_origin)
        return;
    m_origin = origin;
    m_news(FrameNews::OtherPlace);
}

bool X11WindowFrame::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->window == m_client && property->atom == m_extentsAtom)
            ReadExtents();
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        // A manager may wrap the client in a window it only then puts into the frame (KWin).
        const xcb_window_t reparented = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
        if (reparented == m_client || reparented == m_topLevel)
            FollowTopLevel();
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const xcb_window_t moved = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
        if (moved == m_client || moved == m_topLevel)
            ReadOrigin();
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace glintfall
