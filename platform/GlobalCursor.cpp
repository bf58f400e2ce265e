#include "GlobalCursor.h"

#include "WindowSystem.h"

#include <QCursor>

namespace glintfall {

GlobalCursor::GlobalCursor() = default;

GlobalCursor::~GlobalCursor() = default;

void GlobalCursor::Watch(QWidget& window)
{
    m_watch = WindowSystem::Current().WatchPointer(window, [this] { emit Moved(); });
}

QPoint GlobalCursor::Pos()
{
    return m_watch ? m_watch->Pos() : QCursor::pos();
}

} // namespace glintfall
