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

// Request numbers wrap around; the one sent earlier is behind by less than half the range.
bool SentBefore(unsigned a, unsigned b)
{
    return static_cast<std::int32_t>(a - b) < 0;
}

} // namespace

// One shared memory segment, attached to the X server read-only. Its pixels stay mapped until the
// last bitmap holding them lets go, even after the presenter is gone.
struct X11FramePresenter::Segment {
    xcb_shm_seg_t id = 0;
    std::shared_ptr<TPixel[]> pixels;
    // The request that last showed it.
    std::optional<unsigned> lastPut;

    // Nobody but the presenter holds it.
    bool Free() const { return pixels.use_count() == 1; }
};

// What the X server is known to have done. It handles requests in order, so the answer to a
// question tells that every request sent before the question has been handled.
class X11FramePresenter::ServerProgress {
public:
    explicit ServerProgress(xcb_connection_t* connection) : m_connection(connection) {}

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
        if (m_question && SentBefore(m_question->sequence, request))
            TakeAnswer();
        Ask();
        TakeAnswer();
    }

    // Collects the answer to the question on its way, if any, so that none is left behind.
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

private:
    bool Knows(unsigned request) const { return m_handledUpTo && !SentBefore(*m_handledUpTo, request); }

    xcb_connection_t* m_connection;
    std::optional<xcb_get_input_focus_cookie_t> m_question;
    std::optional<unsigned> m_handledUpTo;
};

std::shared_ptr<X11FramePresenter> X11FramePresenter::Create(QWidget& widget, int width, int height)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection || widget.devicePixelRatioF() != 1.0)
        return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    // Qt makes its windows on the screen's root visual.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!shm || !shm->present || !PixelsMatchPictures(connection, *screen))
        return nullptr;
    std::shared_ptr<X11FramePresenter> presenter(
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
    // The server handles the detaching after every picture before it, and the pixels stay mapped
    // here as long as a bitmap holds them.
    xcb_connection_t* c = Connection(m_connection);
    m_progress->TakeAnswer();
    for (const auto& segment : m_segments) {
        if (segment && segment->id != 0)
            xcb_shm_detach(c, segment->id);
    }
    xcb_free_gc(c, m_gc);
    xcb_flush(c);
}

std::size_t X11FramePresenter::PixelCount() const
{
    return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
}

bool X11FramePresenter::AttachSegments()
{
    xcb_connection_t* c = Connection(m_connection);
    for (auto& segment : m_segments) {
        segment = std::make_unique<Segment>();
        const int shmId = shmget(IPC_PRIVATE, PixelCount() * sizeof(TPixel), IPC_CREAT | 0600);
        if (shmId < 0)
            return false;
        void* memory = shmat(shmId, nullptr, 0);
        // Marked for removal at once: it goes when the server and this process have let go.
        shmctl(shmId, IPC_RMID, nullptr);
        if (memory == reinterpret_cast<void*>(-1))
            return false;
        const auto detach = [](TPixel* mapped) { shmdt(mapped); };
        segment->pixels = std::shared_ptr<TPixel[]>(static_cast<TPixel*>(memory), detach);
        segment->id = xcb_generate_id(c);
        const auto readOnly = 1;
        const xcb_void_cookie_t attached =
            xcb_shm_attach_checked(c, segment->id, static_cast<std::uint32_t>(shmId), readOnly);
        if (xcb_generic_error_t* error = xcb_request_check(c, attached)) {
            std::free(error);
            segment->id = 0;
            return false;
        }
    }
    return true;
}

void X11FramePresenter::Put(const TABitmap& picture)
{
    if (picture.Width() != m_width || picture.Height() != m_height)
        return;
    if (Segment* segment = SegmentHolding(picture.Pixels().data())) {
        PutSegment(*segment);
    } else if (Segment* free = FreeSegment()) {
        std::copy_n(picture.Pixels().data(), PixelCount(), free->pixels.get());
        PutSegment(*free);
    } else {
        // Both segments hold pictures someone still has: the slow way, through the connection.
        PutInStrips(picture);
    }
    xcb_flush(Connection(m_connection));
}

std::shared_ptr<TPixel[]> X11FramePresenter::Lend(std::size_t count)
{
    Segment* segment = count == PixelCount() ? FreeSegment() : nullptr;
    return segment ? segment->pixels : nullptr;
}

X11FramePresenter::Segment* X11FramePresenter::SegmentHolding(const TPixel* pixels)
{
    for (const auto& segment : m_segments) {
        if (segment->pixels.get() == pixels)
            return segment.get();
    }
    return nullptr;
}

// Of the free segments, the one shown longest ago, once the server has finished reading it.
X11FramePresenter::Segment* X11FramePresenter::FreeSegment()
{
    Segment* chosen = nullptr;
    for (const auto& segment : m_segments) {
        const bool shownEarlier = !segment->lastPut
                                  || (chosen && chosen->lastPut && SentBefore(*segment->lastPut, *chosen->lastPut));
        if (segment->Free() && (!chosen || shownEarlier))
            chosen = segment.get();
    }
    if (chosen && chosen->lastPut)
        m_progress->WaitUntilHandled(*chosen->lastPut);
    return chosen;
}

// A question follows every second picture, so that two frames later its answer is in.
void X11FramePresenter::PutSegment(Segment& segment)
{
    xcb_connection_t* c = Connection(m_connection);
    const auto width = static_cast<std::uint16_t>(m_width);
    const auto height = static_cast<std::uint16_t>(m_height);
    segment.lastPut = xcb_shm_put_image(c, m_window, m_gc, width, height, 0, 0, width, height, 0, 0, 24,
                                        XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id, 0)
                          .sequence;
    if (++m_puts % 2 == 0)
        m_progress->Ask();
}

// As many rows at a time as the server takes in one request.
void X11FramePresenter::PutInStrips(const TABitmap& picture)
{
    xcb_connection_t* c = Connection(m_connection);
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * sizeof(TPixel);
    const std::size_t requestBytes = std::size_t{xcb_get_maximum_request_length(c)} * 4;
    const int rowsPerStrip = static_cast<int>(std::max<std::size_t>(1, (requestBytes - 64) / rowBytes));
    for (int top = 0; top < m_height; top += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, m_height - top);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc, static_cast<std::uint16_t>(m_width),
                      static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(top), 0, 24,
                      static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(rows)),
                      reinterpret_cast<const std::uint8_t*>(picture.Scanline(top).data()));
    }
}

void X11FramePresenter::Clear()
{
    xcb_connection_t* c = Connection(m_connection);
    const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height)};
    xcb_poly_fill_rectangle(c, m_window, m_gc, 1, &all);
    xcb_flush(c);
}

} // namespace glintfall
