#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>
#include <sys/resource.h>

namespace glintfall {

// While it lives, the folder refuses new files, even to root: root's power to override file
// permissions is dropped from the process for the time.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    QString m_path;
    bool m_overrideDropped = false;
};

// While it lives, the process may write no file larger than the given size.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
};

QByteArray ReadAll(const QString& path);
// The names in the folder, hidden files included.
QStringList FilesIn(const QString& folder);

} // namespace glintfall

// Test messages show names as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
