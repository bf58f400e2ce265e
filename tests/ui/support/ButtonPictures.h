#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

namespace glintfall {

// Copies the program's button pictures into folder/icons, leaving out the named ones, as a user's
// working folder would hold them. False if a copy fails.
inline bool CopyButtonPictures(const QString& folder, const QStringList& leftOut = {})
{
    QDir(folder).mkdir(QStringLiteral("icons"));
    for (const char* name : {"clear", "save", "light", "info", "change"}) {
        const QString file = QStringLiteral("icons/%1.bmp").arg(QLatin1String(name));
        if (!leftOut.contains(QLatin1String(name)) &&
            !QFile::copy(QStringLiteral(GLINTFALL_SOURCE_DIR "/") + file, QDir(folder).filePath(file)))
            return false;
    }
    return true;
}

} // namespace glintfall
