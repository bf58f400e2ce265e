#include "Trail.h"

#include "Bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace glintfall {

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
}

void Trail::Render(const StampPalette& palette, TABitmap& surface) const
{
    if (surface.Width() != m_width || surface.Height() != m_height)
        throw std::logic_error("The surface must be the size of the canvas");
    const std::span<TPixel> pixels = surface.Pixels();
    for (std::size_t i = 0; i < m_stamps.size(); ++i)
        pixels[i] = palette[m_stamps[i]];
}

} // namespace glintfall
