#include "WaylandWindowSystem.h"

#include "WaylandPointer.h"
#include "WaylandWindowFrame.h"

namespace glintfall {

std::unique_ptr<PointerWatch> WaylandWindowSystem::WatchPointer(QWidget& window, std::function<void()> moved) const
{
    return WaylandPointer::Create(window, std::move(moved));
}

// The compositor never tells where the window is, so there is nothing to report.
std::unique_ptr<NativeFrame> WaylandWindowSystem::FrameOf(QWidget& window, std::function<void(FrameNews)>) const
{
    return std::make_unique<WaylandWindowFrame>(window);
}

} // namespace glintfall
