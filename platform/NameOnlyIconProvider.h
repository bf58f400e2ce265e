#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QObject>

namespace glintfall {

// Icons and type names for a file dialog's list, from each entry's name and kind, never from its
// contents. Qt's own provider asks the MIME database, which reads a regular file whose name matches
// no known pattern, or several, for both the type column and (under the GNOME and KDE themes) the
// icon; the list asks on the user-interface thread, so one read that never returns, such as
// /proc/kmsg's for root, stops the program for good. Qt's answer is kept wherever Qt decides
// without reading: for everything but regular files (folders, devices and FIFOs go by their kind)
// and for a file whose name alone names one type, as every *.bmp does. The rest are plain files of
// the type their name suggests.
//
// Owned by the dialog it serves: its model, made before it, is deleted before it.
class NameOnlyIconProvider : public QObject, public QFileIconProvider {
public:
    explicit NameOnlyIconProvider(QObject* owner);

    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    bool QtWouldReadContents(const QFileInfo& info) const;

    QMimeDatabase m_mimeTypes;
};

} // namespace glintfall
