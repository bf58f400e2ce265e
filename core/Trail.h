#pragma once

#include "Damage.h"
#include "FrameColours.h"
#include "Geometry.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace glintfall {

class TABitmap;

// The ordered dots of the picture, plus a map that keeps a frame's cost independent of their number.
//
// A later dot overwrites an earlier one on the same pixel, and a dot's colour depends on its index
// only through index mod 256. So each canvas pixel needs just the stamp of the last dot covering
// it, and a frame is one pass over the canvas whatever the length of the trail.
class Trail {
public:
    Trail(std::int32_t canvasWidth, std::int32_t canvasHeight);

    void Append(TDot dot);
    void Clear();

    std::size_t Length() const { return m_dots.size(); }
    const TDot& operator[](std::size_t index) const { return m_dots[index]; }

    // Brings every pixel of the canvas-sized surface to the colour of the last dot on it, or black,
    // and tells which areas it rewrote: only what changed, when the surface still holds this
    // trail's last frame. The answer is valid until the next Render.
    const Damage& Render(const FrameColours& colours, TABitmap& surface);

    // True when Render would rewrite nothing: the surface holds the last frame rendered, in these
    // colours, and no dot has been added on the canvas or cleared since.
    bool IsShownOn(const TABitmap& surface, const FrameColours& colours) const;

private:
    void Stamp(const TDot& dot, std::uint16_t stamp);
    // The surface still holds the frame the last Render left, in these colours.
    bool HoldsLastFrame(const TABitmap& surface, const FrameColours& colours) const;
    void RenderArea(const TArea& area, const FrameColours& colours, std::span<TPixel> pixels) const;

    std::int32_t m_width;
    std::int32_t m_height;
    // A deque grows without copying what it holds and keeps the memory per dot close to its size.
    std::deque<TDot> m_dots;
    // Per canvas pixel, row by row: 0 where no dot lies, else 1 + (index of the last dot) mod 256.
    std::vector<std::uint16_t> m_stamps;
    // The stamps changed since the last Render, what it rewrote, and what it left behind.
    Damage m_changed;
    Damage m_rendered;
    FrameColours m_renderedColours;
    std::uint64_t m_renderedSurface = 0;
};

} // namespace glintfall
