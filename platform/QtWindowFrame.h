#pragma once

#include "WindowSystem.h"

class QWidget;

namespace glintfall {

// A window's frame as Qt alone knows it: what Qt's platform reports of the frame's margins, and
// the window moved and resized through Qt.
class QtWindowFrame : public NativeFrame {
public:
    explicit QtWindowFrame(QWidget& window);

    QRect OuterRect() const override;
    bool Placed() const override;
    void AskForFixedDialogFrame() override {}
    void BeforeFirstShow(std::chrono::milliseconds) override {}
    void MoveOuterTo(QPoint topLeft) override;
    void ResizeClient(QSize size) override;

protected:
    QWidget& m_window;
};

} // namespace glintfall
