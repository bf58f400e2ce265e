#include "XcbHelpers.h"

#include <QGuiApplication>

namespace glintfall::xcb {

xcb_connection_t* QtConnection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

bool ServerReachable()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

xcb_window_t Root(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_window_t TopLevelAncestor(xcb_connection_t* connection, xcb_window_t window)
{
    for (;;) {
        const auto tree = Ask(connection, xcb_query_tree(connection, window), &xcb_query_tree_reply);
        if (!tree || tree->parent == tree->root || tree->parent == XCB_NONE)
            return window;
        window = tree->parent;
    }
}

// The server keeps one selection of events per connection and window, which a plain change would
// replace; Qt's own selection on its windows must stay.
void SelectMoreEvents(xcb_connection_t* connection, xcb_window_t window, std::uint32_t mask)
{
    const auto attributes =
        Ask(connection, xcb_get_window_attributes(connection, window), &xcb_get_window_attributes_reply);
    if (!attributes)
        return;
    const std::uint32_t events = attributes->your_event_mask | mask;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
}

std::optional<QPoint> OriginOnRoot(xcb_connection_t* connection, xcb_window_t window)
{
    const auto origin = Ask(connection, xcb_translate_coordinates(connection, window, Root(connection), 0, 0),
                            &xcb_translate_coordinates_reply);
    if (!origin)
        return std::nullopt;
    return QPoint(origin->dst_x, origin->dst_y);
}

} // namespace glintfall::xcb
