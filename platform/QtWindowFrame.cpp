#include "QtWindowFrame.h"

#include <QWidget>

namespace glintfall {

QtWindowFrame::QtWindowFrame(QWidget& window)
    : m_window(window)
{
}

QRect QtWindowFrame::OuterRect() const
{
    return m_window.frameGeometry();
}

// A top-level widget's position is that of its frame.
void QtWindowFrame::MoveOuterTo(QPoint topLeft)
{
    m_window.move(topLeft);
}

void QtWindowFrame::ResizeClient(QSize size)
{
    m_window.resize(size);
}

} // namespace glintfall
