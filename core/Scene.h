#pragma once

#include "Bitmap.h"
#include "Trail.h"

#include <cstdint>
#include <memory>

namespace glintfall {

inline constexpr std::int32_t kCanvasSize = 480;

// The state that the frame tick and the window's handlers share. One object, owned by the window.
struct Scene {
    // clockAtStart is the millisecond clock when the program starts; the first tick is due at once.
    explicit Scene(std::uint32_t clockAtStart);

    // Sets the values the window starts with; the trail and the random generator are left alone.
    void Reset();

    std::int32_t dotCount() const;

    std::unique_ptr<TABitmap> backBmp;
    Trail dots{kCanvasSize, kCanvasSize};
    std::int32_t phase = 0;
    std::int32_t offsetA = 0;
    std::int32_t offsetB = 0;
    std::int32_t offsetC = 0;
    std::int32_t pattern = 0;
    bool recording = true;
    bool cycling = false;
    std::int32_t lastFrameTime = 0;
    // Never reseeded, so the n-th new pattern of a run is the same in every run.
    std::uint32_t randSeed = 0;
};

} // namespace glintfall
