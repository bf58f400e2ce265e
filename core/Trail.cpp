#include "Trail.h"

#include "Bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace glintfall {

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

void Trail::Render(const StampPalette& palette, TABitmap& surface)
{
    if (surface.Width() != m_width || surface.Height() != m_height)
        throw std::logic_error("The surface must be the size of the canvas");
    const bool holdsLastFrame = surface.ContentStamp() == m_renderedSurface && palette == m_renderedPalette;
    if (!holdsLastFrame)
        RenderWhole(palette, surface);
    else if (!m_changed.Empty())
        RenderArea(m_changed, palette, surface);
    m_changed = {};
    m_renderedPalette = palette;
    m_renderedSurface = surface.ContentStamp();
}

// The hot loop of a frame while the colours flow: one pass over the canvas, every pixel written.
void Trail::RenderWhole(const StampPalette& palette, TABitmap& surface) const
{
    const std::span<TPixel> pixels = surface.PixelsToOverwrite();
    const std::uint16_t* stamps = m_stamps.data();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = palette[stamps[i]];
}

void Trail::RenderArea(const Area& area, const StampPalette& palette, TABitmap& surface) const
{
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const std::span<TPixel> row = surface.WritableScanline(y);
        const std::uint16_t* stamps = &m_stamps[static_cast<std::size_t>(y) * m_width];
        for (std::int32_t x = area.left; x < area.right; ++x)
            row[x] = palette[stamps[x]];
    }
}

} // namespace glintfall
