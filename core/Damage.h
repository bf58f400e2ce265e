#pragma once

#include "Geometry.h"

#include <array>
#include <cstddef>
#include <span>

namespace glintfall {

// The areas of a frame that changed since the frame before, for whoever shows it to copy and
// repaint only those. A frame that adds a pair changes a pixel on each side of the canvas centre,
// and one rectangle around both would cover much of the canvas, so a few areas are kept apart;
// only past that many are they merged into the one rectangle around them all.
class Damage {
public:
    static constexpr std::size_t kMostAreas = 8;

    void Add(const TArea& area);
    void Clear() { m_count = 0; }
    bool Empty() const { return m_count == 0; }
    std::span<const TArea> Areas() const { return {m_areas.data(), m_count}; }

private:
    std::array<TArea, kMostAreas> m_areas{};
    std::size_t m_count = 0;
};

} // namespace glintfall
