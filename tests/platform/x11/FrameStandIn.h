#pragma once

#include <QRect>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdint>

namespace glintfall {

// Stands in for a window manager, on a connection of its own: a frame window around the
// program's window, which sits at (10, 30) inside it. Like weston's manager under XWayland, it
// reports no extents and never tells the client where the frame is.
class FrameStandIn {
public:
    FrameStandIn(QWidget& window, QRect outer)
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_window(static_cast<xcb_window_t>(window.winId()))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_frame = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_frame, m_root, static_cast<std::int16_t>(outer.x()),
                          static_cast<std::int16_t>(outer.y()), static_cast<std::uint16_t>(outer.width()),
                          static_cast<std::uint16_t>(outer.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, m_frame);
        xcb_reparent_window(m_connection, m_window, m_frame, 10, 30);
        xcb_flush(m_connection);
        QTest::qWait(100);
    }

    ~FrameStandIn()
    {
        xcb_reparent_window(m_connection, m_window, m_root, 0, 0);
        xcb_destroy_window(m_connection, m_frame);
        xcb_disconnect(m_connection);
        QTest::qWait(100);
    }

    void MoveTo(QPoint topLeft)
    {
        const std::uint32_t position[] = {static_cast<std::uint32_t>(topLeft.x()),
                                          static_cast<std::uint32_t>(topLeft.y())};
        xcb_configure_window(m_connection, m_frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
        xcb_flush(m_connection);
        QTest::qWait(100);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window;
    xcb_window_t m_root = 0;
    xcb_window_t m_frame = 0;
};

} // namespace glintfall
