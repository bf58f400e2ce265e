#include "TLabel.h"

#include <QMouseEvent>
#include <QPainter>

namespace glintfall {

TLabel::TLabel(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    FitToText();
}

void TLabel::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    FitToText();
    update();
}

void TLabel::FitToText()
{
    const QFontMetrics metrics = fontMetrics();
    // An empty caption is measured as one space, so the label never vanishes altogether.
    const QString measured = m_caption.isEmpty() ? QStringLiteral(" ") : m_caption;
    resize(metrics.horizontalAdvance(measured), metrics.height());
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(palette().color(QPalette::Button));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_caption);
}

void TLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        FitToText();
    QWidget::changeEvent(event);
}

void TLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

} // namespace glintfall
