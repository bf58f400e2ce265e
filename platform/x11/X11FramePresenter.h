#pragma once

#include "Color.h"
#include "WindowSystem.h"

#include <cstdint>
#include <memory>
#include <span>

class QWidget;

namespace glintfall {

// Puts a native widget's 32-bit pictures on the X server through shared memory, past Qt's backing
// store. Qt copies every frame into its backing store once more and, before each paint, waits on
// the X server to finish with the last one (a round trip that wakes the program twice); together
// that cost more than drawing the frame.
//
// The changed areas of each picture are copied into one shared segment, which the server reads
// them from, and which holds the picture shown. The segment may be written while the server still
// reads an earlier area from it: then it shows newer pixels a moment early, never older ones late,
// since every write is followed by a request to show what was written.
class X11FramePresenter : public FramePresenter {
public:
    // Nothing where the widget cannot be shown this way: not on X11, on a scaled screen, on a
    // display whose pixels are not 32-bit words with 8 bits of red, green and blue in the order of
    // the pictures, or without the shared memory extension.
    static std::unique_ptr<X11FramePresenter> Create(QWidget& widget, int width, int height);
    ~X11FramePresenter() override;
    X11FramePresenter(const X11FramePresenter&) = delete;
    X11FramePresenter& operator=(const X11FramePresenter&) = delete;

    // A picture of another size than the one given to Create is not shown.
    void Put(const TABitmap& picture, std::span<const TArea> areas) override;
    void ShowAgain() override;
    void Clear() override;
    bool HasPicture() const override { return m_hasPicture; }
    TABitmap Picture() const override;

private:
    X11FramePresenter(void* connection, std::uint32_t window, int width, int height);
    bool AttachSegment();
    void PutArea(const TArea& area);

    void* m_connection;
    std::uint32_t m_window;
    std::uint32_t m_gc = 0;
    int m_width;
    int m_height;
    std::uint32_t m_segment = 0;
    TPixel* m_pixels = nullptr;
    bool m_hasPicture = false;
};

} // namespace glintfall
