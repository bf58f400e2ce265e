#pragma once

#include "Color.h"

#include <cstddef>
#include <memory>

namespace glintfall {

// Memory a bitmap may keep its pixels in instead of the heap: memory that the display server
// reads from, say, so that a frame is shown from where it was drawn, without a copy.
class PixelMemory {
public:
    virtual ~PixelMemory() = default;

    // A buffer of `count` pixels that nobody else holds, to be written now; nothing when none is
    // free. A buffer is free again once every holder has let go of it.
    virtual std::shared_ptr<TPixel[]> Lend(std::size_t count) = 0;
};

} // namespace glintfall
