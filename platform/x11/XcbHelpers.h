#pragma once

#include <QPoint>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

// What the X11 parts share: Qt's own connection to the X server, replies that free themselves, and
// the few questions about windows that more than one part asks.
namespace glintfall::xcb {

// Qt's connection; none unless the program runs on X11.
xcb_connection_t* QtConnection();

// Before Qt connects: whether the X server DISPLAY names takes a connection.
bool ServerReachable();

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPointer<Reply> Owned(Reply* reply)
{
    return {reply, &std::free};
}

// The reply to a request, or none when the server answered with an error (a window that is gone,
// say): the error stays here rather than reaching Qt's error log.
template <typename Cookie, typename Reply>
ReplyPointer<Reply> Ask(xcb_connection_t* connection, Cookie cookie,
                        Reply* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**))
{
    xcb_generic_error_t* error = nullptr;
    ReplyPointer<Reply> answer = Owned(reply(connection, cookie, &error));
    std::free(error);
    return answer;
}

xcb_window_t Root(xcb_connection_t* connection);

// The window's ancestor that is a child of the root: the window manager's frame around it, or the
// window itself where no manager frames it.
xcb_window_t TopLevelAncestor(xcb_connection_t* connection, xcb_window_t window);

// Adds to the events this connection hears of on a window, keeping those it already hears of.
void SelectMoreEvents(xcb_connection_t* connection, xcb_window_t window, std::uint32_t mask);

// The window's top-left corner on the root, wherever its ancestors put it; none once it is gone.
std::optional<QPoint> OriginOnRoot(xcb_connection_t* connection, xcb_window_t window);

} // namespace glintfall::xcb
