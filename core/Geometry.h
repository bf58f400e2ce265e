#pragma once

#include <cstdint>

namespace glintfall {

// A position in screen pixels.
struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A window's outer rectangle in screen pixels, frame and title bar included.
struct TRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Pixels left..right-1 of rows top..bottom-1.
struct TArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool Empty() const { return left >= right || top >= bottom; }
    bool Contains(const TArea& other) const
    {
        return left <= other.left && top <= other.top && right >= other.right && bottom >= other.bottom;
    }
    friend bool operator==(const TArea&, const TArea&) = default;
};

// One element of the trail: a square of side `size` with its top-left corner at canvas (x, y).
struct TDot {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t size = 1;
    friend bool operator==(const TDot&, const TDot&) = default;
};

} // namespace glintfall
