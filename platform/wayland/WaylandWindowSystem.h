#pragma once

#include "WindowSystem.h"

namespace glintfall {

// Native Wayland: the compositor places every window and tells no program where; it tells where
// the pointer is only over the program's own surfaces, relative to them. Qt draws the title bar
// into the window's own surface. Frames reach the compositor through Qt.
class WaylandWindowSystem : public WindowSystem {
public:
    std::unique_ptr<PointerWatch> WatchPointer(QWidget& window, std::function<void()> moved) const override;
    std::unique_ptr<NativeFrame> FrameOf(QWidget& window, std::function<void(FrameNews)> news) const override;
};

} // namespace glintfall
