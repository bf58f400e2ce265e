#pragma once

#include "WindowSystem.h"

namespace glintfall {

// X11, and XWayland: the X server tells where the pointer and every window are, the window
// manager reports the frames it draws, and frames reach the server through shared memory.
class X11WindowSystem : public WindowSystem {
public:
    std::unique_ptr<PointerWatch> WatchPointer(QWidget& window, std::function<void()> moved) const override;
    std::unique_ptr<NativeFrame> FrameOf(QWidget& window, std::function<void(FrameNews)> news) const override;
    std::unique_ptr<FramePresenter> PresenterFor(QWidget& widget) const override;
};

} // namespace glintfall
