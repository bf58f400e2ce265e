#include "X11FramePresenter.h"

#include "Bitmap.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace glintfall {

namespace {

xcb_connection_t* Connection(void* connection)
{
    return static_cast<xcb_connection_t*>(connection);
}

xcb_connection_t* X11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
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

// One shared memory segment, attached to the X server read-only.
struct X11FramePresenter::Segment {
    ~Segment()
    {
        if (memory)
            shmdt(memory);
    }

    xcb_shm_seg_t id = 0;
    void* memory = nullptr;
    // The request that last showed it.
    std::optional<unsigned> lastPut;
};

// What the X server is known to have done. It handles requests in order, so the answer to a
// question tells that every request sent before the question has been handled.
class X11FramePresenter::ServerProgress {
public:
    explicit ServerProgress(xcb_connection_t* connection) : m_connection(connection) {}
    ~ServerProgress() { TakeAnswer(); }

    // Sends a question, unless one is on its way.
    void Ask()
    {
        if (!m_question)
            m_question = xcb_get_input_focus(m_connection);
    }

    // Normally the answer to a question sent after the request is in by then, and this does not
    // wait; if the server has fallen behind, it waits for the server.
    void WaitUntilHandled(unsigned request)
    {
        if (Knows(request))
            return;
        if (m_question && Before(m_question->sequence, request))
            TakeAnswer();
        Ask();
        TakeAnswer();
    }

private:
    static bool Before(unsigned a, unsigned b) { return static_cast<std::int32_t>(a - b) < 0; }

    bool Knows(unsigned request) const { return m_handledUpTo && !Before(*m_handledUpTo, request); }

    void TakeAnswer()
    {
        if (!m_question)
            return;
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(m_connection, m_question->sequence, &reply, &error) == 0)
            reply = xcb_get_input_focus_reply(m_connection, *m_question, &error);
        std::free(reply);
        std::free(error);
        m_handledUpTo = m_question->sequence;
        m_question.reset();
    }

    xcb_connection_t* m_connection;
    std::optional<xcb_get_input_focus_cookie_t> m_question;
    std::optional<unsigned> m_handledUpTo;
};

std::unique_ptr<X11FramePresenter> X11FramePresenter::Create(QWidget& widget, int width, int height)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection || widget.devicePixelRatioF() != 1.0)
        return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    // Qt makes its windows on the screen's root visual.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!shm || !shm->present || !PixelsMatchPictures(connection, *screen))
        return nullptr;
    std::unique_ptr<X11FramePresenter> presenter(
        new X11FramePresenter(connection, static_cast<std::uint32_t>(widget.winId()), width, height));
    if (!presenter->AttachSegments())
        return nullptr;
    return presenter;
}

X11FramePresenter::X11FramePresenter(void* connection, std::uint32_t window, int width, int height)
    : m_connection(connection)
    , m_progress(std::make_unique<ServerProgress>(Connection(connection)))
    , m_window(window)
    , m_width(width)
    , m_height(height)
{
    xcb_connection_t* c = Connection(m_connection);
    m_gc = xcb_generate_id(c);
    const std::uint32_t blackWithoutExposures[] = {0, 0};
    xcb_create_gc(c, m_gc, m_window, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, blackWithoutExposures);
}

X11FramePresenter::~X11FramePresenter()
{
    if (!qGuiApp)
        return;
    xcb_connection_t* c = Connection(m_connection);
    for (const auto& segment : m_segments) {
        if (!segment)
            continue;
        // The server must be done with the memory before it goes.
        if (segment->lastPut)
            m_progress->WaitUntilHandled(*segment->lastPut);
        if (segment->id != 0)
            xcb_shm_detach(c, segment->id);
    }
    xcb_free_gc(c, m_gc);
    xcb_flush(c);
}

bool X11FramePresenter::AttachSegments()
{
    xcb_connection_t* c = Connection(m_connection);
    const std::size_t bytes = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 4;
    for (auto& segment : m_segments) {
        segment = std::make_unique<Segment>();
        const int shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (shmId < 0)
            return false;
        void* memory = shmat(shmId, nullptr, 0);
        if (memory != reinterpret_cast<void*>(-1)) {
            segment->memory = memory;
            segment->id = xcb_generate_id(c);
            const xcb_void_cookie_t attached = xcb_shm_attach_checked(c, segment->id, shmId, 1);
            if (xcb_generic_error_t* error = xcb_request_check(c, attached)) {
                std::free(error);
                segment->id = 0;
            }
        }
        // Marked for removal at once: it goes when the server and this process have let go.
        shmctl(shmId, IPC_RMID, nullptr);
        if (segment->id == 0)
            return false;
    }
    return true;
}

// The segments take turns, and one is written only once the server has read it: a question follows
// every second picture, so that two frames later its answer is in.
void X11FramePresenter::Put(const TABitmap& picture)
{
    if (picture.Width() != m_width || picture.Height() != m_height)
        return;
    Segment& segment = *m_segments[m_puts % 2];
    if (segment.lastPut)
        m_progress->WaitUntilHandled(*segment.lastPut);
    std::memcpy(segment.memory, picture.Pixels().data(), picture.Pixels().size_bytes());
    xcb_connection_t* c = Connection(m_connection);
    const auto width = static_cast<std::uint16_t>(m_width);
    const auto height = static_cast<std::uint16_t>(m_height);
    segment.lastPut = xcb_shm_put_image(c, m_window, m_gc, width, height, 0, 0, width, height, 0, 0, 24,
                                        XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id, 0)
                          .sequence;
    if (++m_puts % 2 == 0)
        m_progress->Ask();
    xcb_flush(c);
}

void X11FramePresenter::Clear()
{
    xcb_connection_t* c = Connection(m_connection);
    const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height)};
    xcb_poly_fill_rectangle(c, m_window, m_gc, 1, &all);
    xcb_flush(c);
}

} // namespace glintfall
