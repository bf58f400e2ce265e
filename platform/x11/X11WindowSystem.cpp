#include "X11WindowSystem.h"

#include "X11FramePresenter.h"
#include "X11Pointer.h"
#include "X11WindowFrame.h"

#include <QWidget>

namespace glintfall {

std::unique_ptr<PointerWatch> X11WindowSystem::WatchPointer(QWidget& window, std::function<void()> moved) const
{
    return X11Pointer::Create(window, std::move(moved));
}

std::unique_ptr<NativeFrame> X11WindowSystem::FrameOf(QWidget& window, std::function<void(FrameNews)> news) const
{
    return std::make_unique<X11WindowFrame>(window, std::move(news));
}

std::unique_ptr<FramePresenter> X11WindowSystem::PresenterFor(QWidget& widget) const
{
    return X11FramePresenter::Create(widget, widget.width(), widget.height());
}

} // namespace glintfall
