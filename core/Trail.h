#pragma once

#include "Color.h"
#include "FrameColours.h"
#include "Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
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

    // Brings every pixel of the canvas-sized surface to the colour of the last dot on it, or black.
    // Only what changed is rewritten when the surface still holds this trail's last frame.
    void Render(const FrameColours& colours, TABitmap& surface);

private:
    // Canvas pixels left..right-1 and top..bottom-1.
    struct Area {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t right = 0;
        std::int32_t bottom = 0;
        bool Empty() const { return left >= right || top >= bottom; }
    };

    void Stamp(const TDot& dot, std::uint16_t stamp);
    void MarkChanged(const Area& area);
    void RenderWhole(const FrameColours& colours, TABitmap& surface) const;
    void RenderArea(const Area& area, const FrameColours& colours, TABitmap& surface) const;

    std::int32_t m_width;
    std::int32_t m_height;
    // A deque grows without copying what it holds and keeps the memory per dot close to its size.
    std::deque<TDot> m_dots;
    // Per canvas pixel, row by row: 0 where no dot lies, else 1 + (index of the last dot) mod 256.
    std::vector<std::uint16_t> m_stamps;
    // What the last Render left behind, and the stamps changed since.
    Area m_changed;
    FrameColours m_renderedColours;
    std::uint64_t m_renderedSurface = 0;
};

} // namespace glintfall
