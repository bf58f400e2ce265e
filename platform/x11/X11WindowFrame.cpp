#include "X11WindowFrame.h"

#include "XcbHelpers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
// The window's place and size in the server's pixels, which Qt keeps only in its platform window.
#include <qpa/qplatformwindow.h>
// Qt 6.4 tells the launch's startup ID only through this interface of its platform plugins.
#include <qpa/qplatformnativeinterface.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <thread>
#include <utility>
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

// A manager draws a frame a moment after it maps it; this long after, a frame still undrawn is
// taken to have nothing to draw.
constexpr int kDrawnFrameLooks = 25;
constexpr std::chrono::milliseconds kDrawnFrameLookInterval(20);

// How far in from the start of a line of a window's pixels the first opaque one lies; the whole
// length where there is none. Only a window 32 bits deep has see-through pixels, and in the
// true-colour visuals that servers offer for it the alpha is the byte no colour takes.
int OpaqueFrom(xcb_connection_t* connection, xcb_window_t window, QRect line, bool fromEnd)
{
    const int length = line.width() * line.height();
    if (length <= 0)
        return 0;
    const auto image = Ask(connection,
                           xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(line.x()),
                                         static_cast<std::int16_t>(line.y()), static_cast<std::uint16_t>(line.width()),
                                         static_cast<std::uint16_t>(line.height()), ~0u),
                           &xcb_get_image_reply);
    if (!image || image->depth != 32 || xcb_get_image_data_length(image.get()) < 4 * length)
        return 0;
    const std::span<const std::uint8_t> bytes(xcb_get_image_data(image.get()), static_cast<std::size_t>(4 * length));
    const bool alphaLast = xcb_get_setup(connection)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    for (int step = 0; step < length; ++step) {
        const int pixel = fromEnd ? length - 1 - step : step;
        if (bytes[static_cast<std::size_t>(4 * pixel + (alphaLast ? 3 : 0))] == 0xFF)
            return step;
    }
    return length;
}

} // namespace

X11WindowFrame::X11WindowFrame(QWidget& window, std::function<void(FrameNews)> news)
    : m_window(window)
    , m_connection(xcb::QtConnection())
    , m_client(static_cast<std::uint32_t>(window.winId()))
    , m_root(xcb::Root(Connection(m_connection)))
    , m_extentsAtom(Atom("_NET_FRAME_EXTENTS"))
    , m_news(std::move(news))
    , m_extents(FrameExtents(Connection(m_connection), m_client, m_extentsAtom))
    , m_topLevel(m_client)
    , m_origin(xcb::OriginOnRoot(Connection(m_connection), m_client).value_or(QPoint()))
{
    m_drawnFrameRetry.setSingleShot(true);
    m_drawnFrameRetry.setInterval(kDrawnFrameLookInterval);
    QObject::connect(&m_drawnFrameRetry, &QTimer::timeout, [this] { ReadDrawnFrame(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
    CarryStartupId();
}

X11WindowFrame::~X11WindowFrame()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

QMargins X11WindowFrame::Frame() const
{
    return m_extents.value_or(m_drawnFrame);
}

QRect X11WindowFrame::ServerOuterRect() const
{
    const QPlatformWindow* native = m_window.windowHandle() ? m_window.windowHandle()->handle() : nullptr;
    const QSize client = native ? native->geometry().size() : m_window.size() * m_window.devicePixelRatioF();
    return QRect(m_origin, client).marginsAdded(Frame());
}

// Qt keeps each screen's top-left corner where the server has it and scales from there. The window
// is scaled as its screen is, even where it reaches onto another; so is every point measured
// against it, which Qt's own idea of the pointer is not.
QPointF X11WindowFrame::InQtPixels(QPoint onScreen) const
{
    const QPointF origin = m_window.screen()->geometry().topLeft();
    return origin + (QPointF(onScreen) - origin) / m_window.devicePixelRatioF();
}

QRect X11WindowFrame::OuterRect() const
{
    return InQtPixels(ServerOuterRect());
}

QRect X11WindowFrame::InQtPixels(const QRect& outer) const
{
    const QPointF topLeft = InQtPixels(outer.topLeft());
    const QSizeF size = QSizeF(outer.size()) / m_window.devicePixelRatioF();
    return {QPoint(static_cast<int>(std::floor(topLeft.x())), static_cast<int>(std::floor(topLeft.y()))),
            size.toSize()};
}

// The pixel of the window's own the point lies in, however the window's pixels fall on the
// server's, counted from the outer rectangle's corner.
QPoint X11WindowFrame::FromScreen(QPoint onScreen) const
{
    const QRect outer = ServerOuterRect();
    const QPointF inWindow = QPointF(onScreen - outer.topLeft()) / m_window.devicePixelRatioF();
    return InQtPixels(outer).topLeft()
           + QPoint(static_cast<int>(std::floor(inWindow.x())), static_cast<int>(std::floor(inWindow.y())));
}

std::uint32_t X11WindowFrame::Atom(const char* name) const
{
    xcb_connection_t* connection = Connection(m_connection);
    const auto reply =
        Owned(xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// Qt puts the startup ID a launcher gave (DESKTOP_STARTUP_ID) only on its client leader window, and
// takes it off there as it maps its first window, before a manager, which reads it once the window
// is mapped, can see it. So the first window carries the ID itself (EWMH _NET_STARTUP_ID): with it
// the manager ends the launch's busy feedback and lets the window have the focus the launch asked
// for.
void X11WindowFrame::CarryStartupId()
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    const auto* id = native ? static_cast<const char*>(native->nativeResourceForIntegration("startupid")) : nullptr;
    if (!id || !*id)
        return;
    xcb_change_property(Connection(m_connection), XCB_PROP_MODE_REPLACE, m_client, Atom("_NET_STARTUP_ID"),
                        Atom("UTF8_STRING"), 8, std::strlen(id), id);
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

void X11WindowFrame::BeforeFirstShow(milliseconds longest)
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
        if (WaitForExtents(m_client, deadline) && !m_extents->isNull())
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
    const std::optional<QMargins> extents = FrameExtents(Connection(m_connection), m_client, m_extentsAtom);
    if (extents == m_extents)
        return;
    m_extents = extents;
    ReadDrawnFrame();
    m_news(FrameNews::OtherFrame);
}

// The manager's frame, when it wraps the client in one, moves without the client: its moves are
// heard of from now on, and the client's place and frame are read afresh.
void X11WindowFrame::FollowTopLevel()
{
    xcb_connection_t* connection = Connection(m_connection);
    m_topLevel = xcb::TopLevelAncestor(connection, m_client);
    if (m_topLevel != m_client)
        xcb::SelectMoreEvents(connection, m_topLevel, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    ReadOrigin();
    ReadDrawnFrame();
}

// Where the manager reports no extents, the frame is the window it wraps around the client, less
// the see-through edges of a shadow around it, looked for on lines through the client's middle;
// none where the frame is all see-through, as it is before the manager has drawn it.
std::optional<QMargins> X11WindowFrame::MeasureDrawnFrame() const
{
    xcb_connection_t* connection = Connection(m_connection);
    const auto frame = Ask(connection, xcb_get_geometry(connection, m_topLevel), &xcb_get_geometry_reply);
    const auto client = Ask(connection, xcb_translate_coordinates(connection, m_client, m_topLevel, 0, 0),
                            &xcb_translate_coordinates_reply);
    const QPlatformWindow* native = m_window.windowHandle() ? m_window.windowHandle()->handle() : nullptr;
    if (!frame || !client || !native)
        return QMargins();
    const QRect inFrame(QPoint(client->dst_x, client->dst_y), native->geometry().size());
    const QRect whole(0, 0, frame->width, frame->height);
    const QMargins around(inFrame.left(), inFrame.top(), whole.right() - inFrame.right(),
                          whole.bottom() - inFrame.bottom());
    const QPoint middle = inFrame.center();
    const QMargins seeThrough(
        OpaqueFrom(connection, m_topLevel, {0, middle.y(), around.left(), 1}, false),
        OpaqueFrom(connection, m_topLevel, {middle.x(), 0, 1, around.top()}, false),
        OpaqueFrom(connection, m_topLevel, {inFrame.right() + 1, middle.y(), around.right(), 1}, true),
        OpaqueFrom(connection, m_topLevel, {middle.x(), inFrame.bottom() + 1, 1, around.bottom()}, true));
    if (seeThrough == around && !around.isNull())
        return std::nullopt;
    return around - seeThrough;
}

// Read when the frame is made, resized or reported, never on a frame's reading of OuterRect.
void X11WindowFrame::ReadDrawnFrame()
{
    std::optional<QMargins> drawn = QMargins();
    if (!m_extents && m_topLevel != m_client)
        drawn = MeasureDrawnFrame();
    if (!drawn && m_drawnFrameLooks < kDrawnFrameLooks) {
        ++m_drawnFrameLooks;
        m_drawnFrameRetry.start();
    } else {
        m_drawnFrameRetry.stop();
    }
    const QMargins frame = drawn.value_or(QMargins());
    const bool changed = frame != m_drawnFrame;
    m_drawnFrame = frame;
    UpdatePlaced();
    if (changed)
        m_news(FrameNews::OtherFrame);
}

// One request, made only when the server tells that the client or its frame was moved or
// reparented, never on a frame's reading of OuterRect.
void X11WindowFrame::ReadOrigin()
{
    const std::optional<QPoint> origin = xcb::OriginOnRoot(Connection(m_connection), m_client);
    if (!origin || origin == m_origin)
        return;
    m_origin = *origin;
    m_news(FrameNews::OtherPlace);
}

// A manager wraps and moves the window before it maps it, and the server tells of each step as it
// is taken; so the place is read again once the window is mapped, and whatever was read before
// counts for nothing. The events come after the fact: a window unmapped is taken as such, though it
// may be mapped again by now, so that it is placed afresh when that is told.
void X11WindowFrame::MapChanged(bool mapped)
{
    const bool wasPlaced = std::exchange(m_placed, false);
    m_mapped = false;
    if (mapped) {
        xcb_connection_t* connection = Connection(m_connection);
        const auto attributes =
            Ask(connection, xcb_get_window_attributes(connection, m_client), &xcb_get_window_attributes_reply);
        m_mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    if (m_mapped) {
        m_drawnFrameLooks = 0;
        FollowTopLevel();
    }
    UpdatePlaced();
    if (wasPlaced && !m_placed)
        m_news(FrameNews::OtherPlace);
}

// A manager may map its frame before it gives it its size and place (KWin: 1 x 1 at the root's
// corner): the window is shown only once no window around it cuts any of it off.
bool X11WindowFrame::ShownWhole() const
{
    xcb_connection_t* connection = Connection(m_connection);
    xcb_window_t window = m_client;
    QRect client;
    for (;;) {
        const auto tree = Ask(connection, xcb_query_tree(connection, window), &xcb_query_tree_reply);
        const auto geometry = Ask(connection, xcb_get_geometry(connection, window), &xcb_get_geometry_reply);
        if (!tree || !geometry)
            return false;
        if (client.isNull())
            client = QRect(0, 0, geometry->width, geometry->height);
        if (tree->parent == tree->root)
            return true;
        const auto parent = Ask(connection, xcb_get_geometry(connection, tree->parent), &xcb_get_geometry_reply);
        client.translate(geometry->x + geometry->border_width, geometry->y + geometry->border_width);
        if (!parent || !QRect(0, 0, parent->width, parent->height).contains(client))
            return false;
        window = tree->parent;
    }
}

void X11WindowFrame::UpdatePlaced()
{
    const bool placed = m_mapped && !m_drawnFrameRetry.isActive() && (m_placed || ShownWhole());
    if (placed == m_placed)
        return;
    m_placed = placed;
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
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->window != m_client && configure->window != m_topLevel)
            break;
        ReadOrigin();
        const QSize size(configure->width, configure->height);
        if (configure->window == m_topLevel && size != m_topLevelSize) {
            m_topLevelSize = size;
            ReadDrawnFrame();
        }
        UpdatePlaced();
        break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
        // Both events keep the window's field in the same place.
        const xcb_window_t window = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
        if (window == m_client || window == m_topLevel)
            MapChanged((event->response_type & 0x7F) == XCB_MAP_NOTIFY);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace glintfall
