#include "TImage.h"

#include "WindowSystem.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace glintfall {

TImage::TImage(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // Every pixel is painted from the picture, or left to the parent's background before that.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TImage::~TImage() = default;

void TImage::PresentDirectly()
{
    m_presentDirectly = true;
    ChoosePresenter();
}

// A windowing system takes pictures past Qt only at their own size: on a screen of another scale
// Qt shows them, scaled, and the presenter is asked for again whenever the window moves to
// another screen. The picture shown goes along.
void TImage::ChoosePresenter()
{
    TABitmap picture = Picture();
    m_presenter = WindowSystem::Current().PresenterFor(*this);
    // Qt paints nothing of this control while there is a presenter: it shows every picture, and
    // paint events (when the window is exposed) show the last one again.
    setAttribute(Qt::WA_PaintOnScreen, m_presenter != nullptr);
    setAttribute(Qt::WA_NoSystemBackground, m_presenter != nullptr);
    m_picture = TABitmap();
    if (picture.Empty())
        PictureChanged();
    else
        Draw(picture);
}

bool TImage::event(QEvent* event)
{
    // Qt's word, to every control, that the window is now on another screen.
    if (event->type() == QEvent::ScreenChangeInternal && m_presentDirectly)
        ChoosePresenter();
    return QWidget::event(event);
}

QPaintEngine* TImage::paintEngine() const
{
    return m_presenter ? nullptr : QWidget::paintEngine();
}

// A picture the size of the control, shown directly, lives where the X server reads it from.
bool TImage::ShowsDirectly(const TABitmap& bitmap) const
{
    return m_presenter && bitmap.Width() == width() && bitmap.Height() == height();
}

void TImage::Draw(const TABitmap& bitmap)
{
    const TArea whole{0, 0, bitmap.Width(), bitmap.Height()};
    Draw(bitmap, {&whole, 1});
}

void TImage::Draw(const TABitmap& bitmap, std::span<const TArea> changed)
{
    if (ShowsDirectly(bitmap)) {
        m_picture = TABitmap();
        m_presenter->Put(bitmap, changed);
    } else if (bitmap.Width() != m_picture.Width() || bitmap.Height() != m_picture.Height()) {
        m_picture = bitmap;
        PictureChanged();
    } else {
        m_picture.CopyAreas(bitmap, changed);
        for (const TArea& area : changed)
            update(area.left, area.top, area.right - area.left, area.bottom - area.top);
    }
}

TABitmap TImage::Picture() const
{
    return m_presenter && m_presenter->HasPicture() ? m_presenter->Picture() : m_picture;
}

void TImage::SetPicture(TABitmap picture)
{
    // A picture read from a file may carry transparency; the control shows every picture opaque.
    for (TPixel& pixel : picture.WritablePixels())
        pixel |= kOpaque;
    Draw(picture);
}

void TImage::PictureChanged()
{
    // Shown directly, the control has no picture of its size: it is black, as before the first.
    if (m_presenter) {
        m_presenter->Clear();
        return;
    }
    // A picture that covers the control hides the window's background, so Qt need not paint that
    // background beneath it first on every frame.
    const bool covers = m_picture.Width() >= width() && m_picture.Height() >= height() && !m_picture.Empty();
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    update();
}

void TImage::paintEvent(QPaintEvent* event)
{
    if (m_presenter) {
        m_presenter->ShowAgain();
        return;
    }
    if (m_picture.Empty())
        return;
    // The image reads the picture's pixels where they are; only the part to repaint is drawn.
    const QImage image(reinterpret_cast<const uchar*>(m_picture.Pixels().data()), m_picture.Width(),
                       m_picture.Height(), m_picture.Width() * 4, QImage::Format_RGB32);
    const QRect part = event->rect() & image.rect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(part.topLeft(), image, part);
}

void TImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_presenter)
        PictureChanged();
}

// A click is a left press and a left release both inside the control. The second press of a
// double click arrives as a double-click event, which has no handler, so it cannot start a click.
void TImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = false;
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = m_leftPressed && rect().contains(event->position().toPoint());
    m_leftPressed = false;
    if (clicked)
        emit Clicked();
}

void TImage::mouseMoveEvent(QMouseEvent*)
{
    emit MouseMoved();
}

} // namespace glintfall
