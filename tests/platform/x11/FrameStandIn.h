#pragma once

#include <QRect>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdint>

namespace glintfall {

// Stands in for a window manager, on a connection of its own: a frame window around the
// program's window, which sits at (10, 30) inside it. Like weston's manager under XWayland, it
// reports no extents and never tells the client where the frame is; like it, it may draw a shadow
// of the given width around the frame, see-through at its outer edge, in a frame 32 bits deep.
class FrameStandIn {
public:
    FrameStandIn(QWidget& window, QRect outer, int shadow = 0)
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_window(static_cast<xcb_window_t>(window.winId()))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_frame = xcb_generate_id(m_connection);
        const xcb_visualid_t visual = shadow > 0 ? VisualOfDepth32(*screen) : screen->root_visual;
        const std::uint8_t depth = shadow > 0 ? 32 : XCB_COPY_FROM_PARENT;
        // A window of another depth than its parent needs a colormap and a border of its own.
        const xcb_colormap_t colormap = xcb_generate_id(m_connection);
        xcb_create_colormap(m_connection, XCB_COLORMAP_ALLOC_NONE, colormap, m_root, visual);
        const std::uint32_t values[] = {0, colormap};
        xcb_create_window(m_connection, depth, m_frame, m_root, static_cast<std::int16_t>(outer.x()),
                          static_cast<std::int16_t>(outer.y()), static_cast<std::uint16_t>(outer.width()),
                          static_cast<std::uint16_t>(outer.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                          XCB_CW_BORDER_PIXEL | XCB_CW_COLORMAP, values);
        xcb_map_window(m_connection, m_frame);
        if (shadow > 0)
            DrawShadow(outer.size(), shadow);
        xcb_reparent_window(m_connection, m_window, m_frame, 10, 30);
        xcb_flush(m_connection);
        QTest::qWait(100);
    }

    // The program's window goes back to the root before the frame goes: destroyed with its frame,
    // as with a connection closed before its requests are sent, it would be gone.
    ~FrameStandIn()
    {
        xcb_reparent_window(m_connection, m_window, m_root, 0, 0);
        xcb_destroy_window(m_connection, m_frame);
        xcb_flush(m_connection);
        xcb_disconnect(m_connection);
        QTest::qWait(100);
    }

    void MoveTo(QPoint topLeft) { Configure(XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, topLeft.x(), topLeft.y()); }
    void Resize(QSize size) { Configure(XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size.width(), size.height()); }

private:
    static xcb_visualid_t VisualOfDepth32(const xcb_screen_t& screen)
    {
        for (auto depth = xcb_screen_allowed_depths_iterator(&screen); depth.rem > 0; xcb_depth_next(&depth))
            if (depth.data->depth == 32 && depth.data->visuals_len > 0)
                return xcb_depth_visuals_iterator(depth.data).data->visual_id;
        return screen.root_visual;
    }

    // See-through outside, half see-through in between, opaque from `shadow` pixels in.
    void DrawShadow(QSize size, int shadow)
    {
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, m_frame, 0, nullptr);
        const auto fill = [&](std::uint32_t argb, int inset) {
            xcb_change_gc(m_connection, gc, XCB_GC_FOREGROUND, &argb);
            const xcb_rectangle_t area{static_cast<std::int16_t>(inset), static_cast<std::int16_t>(inset),
                                       static_cast<std::uint16_t>(size.width() - 2 * inset),
                                       static_cast<std::uint16_t>(size.height() - 2 * inset)};
            xcb_poly_fill_rectangle(m_connection, m_frame, gc, 1, &area);
        };
        fill(0x00000000, 0);
        fill(0x40000000, shadow / 2);
        fill(0xFF808080, shadow);
        xcb_free_gc(m_connection, gc);
    }

    void Configure(std::uint16_t mask, int first, int second)
    {
        const std::uint32_t values[] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second)};
        xcb_configure_window(m_connection, m_frame, mask, values);
        xcb_flush(m_connection);
        QTest::qWait(100);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_window;
    xcb_window_t m_root = 0;
    xcb_window_t m_frame = 0;
};

} // namespace glintfall
