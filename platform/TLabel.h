#pragma once

#include <QWidget>

namespace glintfall {

// A one-line text label that sizes itself to its text and paints an opaque box behind it.
class TLabel : public QWidget {
public:
    explicit TLabel(QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    // Setting the text it already has does nothing, so it may be set on every mouse move.
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The label has no handler of its own, and moves over it must not reach the bar beneath.
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void FitToText();

    QString m_caption;
};

} // namespace glintfall
