#include "Scene.h"

#include "FrameTick.h"

namespace glintfall {

Scene::Scene(std::uint32_t clockAtStart)
    // One frame interval before now: the first tick is due whatever the clock reads.
    : lastFrameTime(static_cast<std::int32_t>(clockAtStart - kFrameIntervalMs))
{
}

void Scene::Reset()
{
    phase = 0;
    recording = true;
    cycling = false;
    offsetA = offsetB = offsetC = 0;
    pattern = 0;
}

std::int32_t Scene::dotCount() const
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(dots.Length()));
}

} // namespace glintfall
