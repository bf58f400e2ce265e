#include "NameOnlyIconProvider.h"

#include <QApplication>
#include <QStyle>

namespace glintfall {

NameOnlyIconProvider::NameOnlyIconProvider(QObject* owner)
    : QObject(owner)
{
}

// Qt documents that it reads a file's contents when the file's name matches no MIME type or more
// than one; only regular files are read, everything else goes by what stat says it is.
bool NameOnlyIconProvider::QtWouldReadContents(const QFileInfo& info) const
{
    return info.isFile() && m_mimeTypes.mimeTypesForFileName(info.fileName()).size() != 1;
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const
{
    if (!QtWouldReadContents(info))
        return QFileIconProvider::icon(info);
    // The icons Qt gives a file when the platform theme has none of its own.
    if (info.isSymLink())
        return QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon);
    return QFileIconProvider::icon(File);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const
{
    if (!QtWouldReadContents(info))
        return QFileIconProvider::type(info);
    const QMimeType byName = m_mimeTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return byName.comment().isEmpty() ? byName.name() : byName.comment();
}

} // namespace glintfall
