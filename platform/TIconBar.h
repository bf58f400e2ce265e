#pragma once

#include <QWidget>

namespace glintfall {

// The black bar under the canvas with a one-pixel raised edge. Mouse moves over its client area
// (inside the edge, outside the controls it holds) are forwarded; moves over the edge are not.
class TIconBar : public QWidget {
    Q_OBJECT

public:
    explicit TIconBar(QWidget* parent = nullptr);

    // The area inside the one-pixel edge, where the bar's controls are placed.
    QRect ClientRect() const;

signals:
    void MouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace glintfall
