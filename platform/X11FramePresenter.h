#pragma once

#include "PixelMemory.h"

#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace glintfall {

class TABitmap;

// Puts a native widget's 32-bit pictures on the X server through shared memory, past Qt's backing
// store. Qt copies every frame into its backing store once more and, before each paint, waits on
// the X server to finish with the last one (a round trip that wakes the program twice); together
// that cost more than drawing the frame.
//
// Here two shared segments take turns. They are also memory that a bitmap can keep its pixels in
// (PixelMemory): a frame drawn in a segment is shown from there without a copy, and a picture
// elsewhere is copied into a free segment first. A segment is lent or written again only once the
// server has answered a question sent after it last showed it, so it has finished reading it.
class X11FramePresenter : public PixelMemory {
public:
    // Nothing where the widget cannot be shown this way: not on X11, on a scaled screen, on a
    // display whose pixels are not 32-bit words with 8 bits of red, green and blue in the order of
    // the pictures, or without the shared memory extension.
    static std::shared_ptr<X11FramePresenter> Create(QWidget& widget, int width, int height);
    ~X11FramePresenter() override;
    X11FramePresenter(const X11FramePresenter&) = delete;
    X11FramePresenter& operator=(const X11FramePresenter&) = delete;

    // Shows the picture at the widget's top-left corner. A picture of another size than the one
    // given to Create is not shown.
    void Put(const TABitmap& picture);
    // Fills the widget with black, as before the first picture.
    void Clear();

    std::shared_ptr<TPixel[]> Lend(std::size_t count) override;

private:
    struct Segment;
    class ServerProgress;

    X11FramePresenter(void* connection, std::uint32_t window, int width, int height);
    bool AttachSegments();
    std::size_t PixelCount() const;
    Segment* SegmentHolding(const TPixel* pixels);
    Segment* FreeSegment();
    void PutSegment(Segment& segment);
    void PutInStrips(const TABitmap& picture);

    void* m_connection;
    std::unique_ptr<ServerProgress> m_progress;
    std::uint32_t m_window;
    std::uint32_t m_gc = 0;
    int m_width;
    int m_height;
    std::array<std::unique_ptr<Segment>, 2> m_segments;
    std::uint64_t m_puts = 0;
};

} // namespace glintfall
