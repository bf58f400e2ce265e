#pragma once

#include "Bitmap.h"

#include <QWidget>

#include <memory>

namespace glintfall {

class PixelMemory;
class X11FramePresenter;

// An image control: shows its picture 1:1 from the top-left, and the window's background until it
// has one. It forwards clicks and mouse moves, and is never given the keyboard focus.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    // From now on, shows its pictures on the X server directly where it can, past Qt's backing
    // store (see X11FramePresenter), and through Qt elsewhere. For a control that shows a new
    // picture on every frame; its size must stay as it is.
    void PresentDirectly();
    bool PresentsDirectly() const { return m_presenter != nullptr; }
    // Memory to draw the pictures in, so that they are shown without a copy; none where the
    // control does not present directly.
    std::weak_ptr<PixelMemory> FrameMemory() const;
    QPaintEngine* paintEngine() const override;

    // Takes the bitmap's pixels as the control's picture and asks for a repaint. The pixels are
    // shared with the bitmap until either changes, so this costs no copy.
    void Draw(const TABitmap& bitmap);
    // The picture as last drawn; empty before the first Draw.
    const TABitmap& Picture() const { return m_picture; }
    void SetPicture(TABitmap picture);

signals:
    void Clicked();
    void MouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void PictureChanged();
    void PresentPicture();

    TABitmap m_picture;
    std::shared_ptr<X11FramePresenter> m_presenter;
    bool m_leftPressed = false;
};

} // namespace glintfall
