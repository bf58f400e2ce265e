#pragma once

#include <QObject>
#include <QPoint>

#include <memory>

class QWidget;

namespace glintfall {

class PointerWatch;

// The pointer as the frame tick reads it on every frame, in the coordinates of the watched window's
// outer rectangle (see WindowFrame), and news of its motion over that window, for an event loop
// that sleeps while nothing can change. How the windowing system tells of the pointer is its own
// (see WindowSystem); before a window is watched, and where the system tells nothing better, it is
// Qt's idea of the pointer.
class GlobalCursor : public QObject {
    Q_OBJECT

public:
    GlobalCursor();
    ~GlobalCursor() override;

    // Watches the pointer over this top-level window and the frame around it.
    void Watch(QWidget& window);
    QPoint Pos();

signals:
    // The pointer may have moved over the watched window or its frame, or crossed their edge.
    void Moved();

private:
    std::unique_ptr<PointerWatch> m_watch;
};

} // namespace glintfall
