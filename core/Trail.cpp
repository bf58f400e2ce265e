#include "Trail.h"

#include "Bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace glintfall {

namespace {

template <int Red, int Green, int Blue>
[[gnu::always_inline]] inline void PaintStampsIn(ChannelOrder<Red, Green, Blue> order,
                                                 const std::uint16_t* __restrict stamps, TPixel* __restrict pixels,
                                                 std::size_t count, const FrameColours& colours)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t stamp = stamps[i];
        const TPixel dot = PixelOfIndex(colours, static_cast<std::uint16_t>(stamp - 1), order);
        pixels[i] = stamp == 0 ? kBlackPixel : dot;
    }
}

// The hot loop of every frame while the colours flow: one pass over the canvas, compiled for each
// pattern. Each colour is computed from the stamp rather than looked up in a table of the frame's
// 256 colours, because a lookup per pixel does not vectorise. On x86-64 a second copy uses AVX2
// where the processor has it, which makes a frame cost about two plain copies of it, against three
// and a half for the lookup. (A copy for AVX-512 computes the frame faster still, but made the
// program as a whole dearer: its wider registers make every one of the many switches between
// threads cost more.)
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void PaintStamps(const std::uint16_t* __restrict stamps, TPixel* __restrict pixels, std::size_t count,
                 const FrameColours& colours)
{
    // Inlined all the way, so that each clone compiles the loops for its own processor.
    WithChannelOrder(colours.pattern, [&](auto order) __attribute__((always_inline)) {
        PaintStampsIn(order, stamps, pixels, count, colours);
    });
}

} // namespace

Trail::Trail(std::int32_t canvasWidth, std::int32_t canvasHeight)
    : m_width(canvasWidth)
    , m_height(canvasHeight)
    , m_stamps(static_cast<std::size_t>(canvasWidth) * static_cast<std::size_t>(canvasHeight), 0)
{
}

void Trail::Append(TDot dot)
{
    const auto stamp = static_cast<std::uint16_t>(1 + m_dots.size() % 256);
    m_dots.push_back(dot);
    Stamp(dot, stamp);
}

void Trail::Clear()
{
    m_dots.clear();
    m_dots.shrink_to_fit();
    std::fill(m_stamps.begin(), m_stamps.end(), std::uint16_t{0});
    m_changed.Add({0, 0, m_width, m_height});
}

void Trail::Stamp(const TDot& dot, std::uint16_t stamp)
{
    const std::int64_t left = std::max<std::int64_t>(dot.x, 0);
    const std::int64_t top = std::max<std::int64_t>(dot.y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{dot.x} + dot.size, m_width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{dot.y} + dot.size, m_height);
    for (std::int64_t y = top; y < bottom; ++y)
        for (std::int64_t x = left; x < right; ++x)
            m_stamps[static_cast<std::size_t>(y * m_width + x)] = stamp;
    if (left < right && top < bottom) {
        m_changed.Add({static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                       static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)});
    }
}

bool Trail::HoldsLastFrame(const TABitmap& surface, const FrameColours& colours) const
{
    return surface.ContentStamp() == m_renderedSurface && colours == m_renderedColours;
}

bool Trail::IsShownOn(const TABitmap& surface, const FrameColours& colours) const
{
    return m_changed.Empty() && HoldsLastFrame(surface, colours);
}

const Damage& Trail::Render(const FrameColours& colours, TABitmap& surface)
{
    if (surface.Width() != m_width || surface.Height() != m_height)
        throw std::logic_error("The surface must be the size of the canvas");
    const bool holdsLastFrame = HoldsLastFrame(surface, colours);
    m_rendered = holdsLastFrame ? m_changed : Damage();
    if (!holdsLastFrame)
        m_rendered.Add({0, 0, m_width, m_height});
    if (!m_rendered.Empty()) {
        const std::span<TPixel> pixels = surface.WritablePixels();
        for (const TArea& area : m_rendered.Areas())
            RenderArea(area, colours, pixels);
    }
    m_changed.Clear();
    m_renderedColours = colours;
    m_renderedSurface = surface.ContentStamp();
    return m_rendered;
}

// Rows as wide as the canvas follow one another in memory: they are painted in one pass.
void Trail::RenderArea(const TArea& area, const FrameColours& colours, std::span<TPixel> pixels) const
{
    const bool wholeRows = area.left == 0 && area.right == m_width;
    const auto width = static_cast<std::size_t>(area.right - area.left);
    const std::size_t rowsAtOnce = wholeRows ? static_cast<std::size_t>(area.bottom - area.top) : 1;
    for (std::int32_t y = area.top; y < area.bottom; y += static_cast<std::int32_t>(rowsAtOnce)) {
        const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)
                                  + static_cast<std::size_t>(area.left);
        PaintStamps(&m_stamps[start], &pixels[start], width * rowsAtOnce, colours);
    }
}

} // namespace glintfall
