#pragma once

#include "Bitmap.h"

#include <QWidget>

#include <memory>
#include <span>

namespace glintfall {

class FramePresenter;

// An image control: shows its picture 1:1 from the top-left, and the window's background until it
// has one. It forwards clicks and mouse moves, and is never given the keyboard focus.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    // From now on, shows its pictures on the screen directly where the windowing system offers a
    // way past Qt's backing store at the window's scale (see WindowSystem), and through Qt
    // elsewhere. For a control that shows a new
    // picture on every frame; its size must stay as it is.
    void PresentDirectly();
    bool PresentsDirectly() const { return m_presenter != nullptr; }
    QPaintEngine* paintEngine() const override;

    // Copies the bitmap as the control's picture and repaints it.
    void Draw(const TABitmap& bitmap);
    // Copies only these areas of a bitmap the size of the picture, and repaints only them. A bitmap
    // of another size is copied and repainted whole.
    void Draw(const TABitmap& bitmap, std::span<const TArea> changed);
    // A copy of the picture as last drawn; empty before the first Draw.
    TABitmap Picture() const;
    void SetPicture(TABitmap picture);

signals:
    void Clicked();
    void MouseMoved();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool ShowsDirectly(const TABitmap& bitmap) const;
    void ChoosePresenter();
    void PictureChanged();

    // The picture, unless it is shown directly: then the presenter holds it.
    TABitmap m_picture;
    std::unique_ptr<FramePresenter> m_presenter;
    bool m_presentDirectly = false;
    bool m_leftPressed = false;
};

} // namespace glintfall
