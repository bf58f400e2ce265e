#include "X11FramePresenter.h"

#include "Bitmap.h"
#include "XcbHelpers.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace glintfall {

namespace {

xcb_connection_t* Connection(void* connection)
{
    return static_cast<xcb_connection_t*>(connection);
}

// Depth 24 true colour, stored as 32-bit words in the byte order of this processor, with red, green
// and blue where a TPixel has them: the pictures go to the server as they are.
bool PixelsMatchPictures(xcb_connection_t* connection, const xcb_screen_t& screen)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const bool littleEndian = std::endian::native == std::endian::little;
    if (screen.root_depth != 24 || (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != littleEndian)
        return false;
    bool wordPerPixel = false;
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0; xcb_format_next(&format))
        wordPerPixel |= format.data->depth == 24 && format.data->bits_per_pixel == 32;
    for (auto depth = xcb_screen_allowed_depths_iterator(&screen); depth.rem > 0; xcb_depth_next(&depth)) {
        for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem > 0; xcb_visualtype_next(&visual)) {
            const xcb_visualtype_t& type = *visual.data;
            if (type.visual_id == screen.root_visual)
                return wordPerPixel && type._class == XCB_VISUAL_CLASS_TRUE_COLOR && type.red_mask == 0xFF0000
                       && type.green_mask == 0xFF00 && type.blue_mask == 0xFF;
        }
    }
    return false;
}

} // namespace

std::unique_ptr<X11FramePresenter> X11FramePresenter::Create(QWidget& widget, int width, int height)
{
    xcb_connection_t* connection = xcb::QtConnection();
    if (!connection || widget.devicePixelRatioF() != 1.0)
        return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    // Qt makes its windows on the screen's root visual.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!shm || !shm->present || !PixelsMatchPictures(connection, *screen))
        return nullptr;
    std::unique_ptr<X11FramePresenter> presenter(
        new X11FramePresenter(connection, static_cast<std::uint32_t>(widget.winId()), width, height));
    if (!presenter->AttachSegment())
        return nullptr;
    return presenter;
}

X11FramePresenter::X11FramePresenter(void* connection, std::uint32_t window, int width, int height)
    : m_connection(connection)
    , m_window(window)
    , m_width(width)
    , m_height(height)
{
    xcb_connection_t* c = Connection(m_connection);
    m_gc = xcb_generate_id(c);
    const std::uint32_t blackWithoutExposures[] = {0, 0};
    xcb_create_gc(c, m_gc, m_window, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, blackWithoutExposures);
}

// The server is told to let go of the segment after every request already sent, and the segment
// goes once both sides have let go.
X11FramePresenter::~X11FramePresenter()
{
    if (m_pixels)
        shmdt(m_pixels);
    if (!qGuiApp)
        return;
    xcb_connection_t* c = Connection(m_connection);
    if (m_segment != 0)
        xcb_shm_detach(c, m_segment);
    xcb_free_gc(c, m_gc);
    xcb_flush(c);
}

bool X11FramePresenter::AttachSegment()
{
    xcb_connection_t* c = Connection(m_connection);
    const std::size_t bytes = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * sizeof(TPixel);
    const int shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId < 0)
        return false;
    void* memory = shmat(shmId, nullptr, 0);
    // Marked for removal at once: it goes when the server and this process have let go.
    shmctl(shmId, IPC_RMID, nullptr);
    if (memory == reinterpret_cast<void*>(-1))
        return false;
    m_pixels = static_cast<TPixel*>(memory);
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    const auto readOnly = 1;
    const xcb_void_cookie_t attached = xcb_shm_attach_checked(c, segment, static_cast<std::uint32_t>(shmId), readOnly);
    if (xcb_generic_error_t* error = xcb_request_check(c, attached)) {
        std::free(error);
        return false;
    }
    m_segment = segment;
    return true;
}

void X11FramePresenter::Put(const TABitmap& picture, std::span<const TArea> areas)
{
    if (picture.Width() != m_width || picture.Height() != m_height)
        return;
    const TArea whole{0, 0, m_width, m_height};
    if (!m_hasPicture)
        areas = {&whole, 1};
    m_hasPicture = true;
    const auto width = static_cast<std::size_t>(m_width);
    for (const TArea& area : areas) {
        const auto columns = static_cast<std::size_t>(area.right - area.left);
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            const std::size_t start = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(area.left);
            std::copy_n(picture.Pixels().data() + start, columns, m_pixels + start);
        }
        PutArea(area);
    }
    xcb_flush(Connection(m_connection));
}

void X11FramePresenter::PutArea(const TArea& area)
{
    const auto left = static_cast<std::uint16_t>(area.left);
    const auto top = static_cast<std::uint16_t>(area.top);
    xcb_shm_put_image(Connection(m_connection), m_window, m_gc, static_cast<std::uint16_t>(m_width),
                      static_cast<std::uint16_t>(m_height), left, top, static_cast<std::uint16_t>(area.right - area.left),
                      static_cast<std::uint16_t>(area.bottom - area.top), static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(top), 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_segment, 0);
}

void X11FramePresenter::ShowAgain()
{
    if (!m_hasPicture) {
        Clear();
        return;
    }
    PutArea({0, 0, m_width, m_height});
    xcb_flush(Connection(m_connection));
}

void X11FramePresenter::Clear()
{
    m_hasPicture = false;
    xcb_connection_t* c = Connection(m_connection);
    const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height)};
    xcb_poly_fill_rectangle(c, m_window, m_gc, 1, &all);
    xcb_flush(c);
}

TABitmap X11FramePresenter::Picture() const
{
    TABitmap picture(m_width, m_height);
    std::copy_n(m_pixels, picture.Pixels().size(), picture.WritablePixels().data());
    return picture;
}

} // namespace glintfall
