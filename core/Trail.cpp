#include "Trail.h"

#include "Bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace glintfall {

namespace {

// The hot loop of every frame while the colours flow: one pass over the canvas. Each colour is
// computed from the stamp rather than looked up in a table of the frame's 256 colours, because a
// lookup per pixel does not vectorise. On x86-64 a second copy uses AVX2 where the processor has
// it, which makes a frame cost about two and a half plain copies of it, against three and a half
// for the lookup; with 16-byte vectors alone the loop is slower than the lookup, about five and a
// half copies.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void PaintStamps(const std::uint16_t* __restrict stamps, TPixel* __restrict pixels, std::size_t count,
                 const FrameColours& colours)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t stamp = stamps[i];
        const TPixel dot = PixelOfIndex(colours, static_cast<std::uint16_t>(stamp - 1));
        pixels[i] = stamp == 0 ? kBlackPixel : dot;
    }
}

} // namespace

Trail::Trail(std::int32_t canvasWidth, std::int32_t canvasHeight)
    : m_width(canvasWidth)
    , m_height(canvasHeight)
    , m_stamps(static_cast<std::size_t>(canvasWidth) * static_cast<std::size_t>(canvasHeight), 0)
    , m_changed{0, 0, canvasWidth, canvasHeight}
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
    MarkChanged({0, 0, m_width, m_height});
}

void Trail::MarkChanged(const Area& area)
{
    if (area.Empty())
        return;
    if (m_changed.Empty()) {
        m_changed = area;
        return;
    }
    m_changed = {std::min(m_changed.left, area.left), std::min(m_changed.top, area.top),
                 std::max(m_changed.right, area.right), std::max(m_changed.bottom, area.bottom)};
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
        MarkChanged({static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                     static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)});
    }
}

void Trail::Render(const FrameColours& colours, TABitmap& surface)
{
    if (surface.Width() != m_width || surface.Height() != m_height)
        throw std::logic_error("The surface must be the size of the canvas");
    const bool holdsLastFrame = surface.ContentStamp() == m_renderedSurface && colours == m_renderedColours;
    if (!holdsLastFrame)
        RenderWhole(colours, surface);
    else if (!m_changed.Empty())
        RenderArea(m_changed, colours, surface);
    m_changed = {};
    m_renderedColours = colours;
    m_renderedSurface = surface.ContentStamp();
}

void Trail::RenderWhole(const FrameColours& colours, TABitmap& surface) const
{
    const std::span<TPixel> pixels = surface.PixelsToOverwrite();
    PaintStamps(m_stamps.data(), pixels.data(), pixels.size(), colours);
}

void Trail::RenderArea(const Area& area, const FrameColours& colours, TABitmap& surface) const
{
    const auto width = static_cast<std::size_t>(area.right - area.left);
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * m_width + area.left;
        PaintStamps(&m_stamps[start], &surface.WritableScanline(y)[area.left], width, colours);
    }
}

} // namespace glintfall
