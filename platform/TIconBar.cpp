#include "TIconBar.h"

#include <QMouseEvent>
#include <QPainter>

namespace glintfall {

TIconBar::TIconBar(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

QRect TIconBar::ClientRect() const
{
    return rect().adjusted(1, 1, -1, -1);
}

void TIconBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect edge = rect();
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
}

void TIconBar::mouseMoveEvent(QMouseEvent* event)
{
    if (ClientRect().contains(event->position().toPoint()))
        emit MouseMoved();
}

} // namespace glintfall
