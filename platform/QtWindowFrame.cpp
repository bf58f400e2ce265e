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

// Qt shows the window where the system puts it, and knows of no step before.
bool QtWindowFrame::Placed() const
{
    return m_window.isVisible();
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
