#include "FileFailures.h"

#include <QDir>
#include <QFile>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace glintfall {

namespace {

// Turns root's permission override on or off in the effective set; it stays permitted, so it can
// be taken back.
bool SetFileOverride(bool enabled)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    const __u32 bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    if (!(data[0].permitted & bits))
        return false;
    data[0].effective = enabled ? data[0].effective | bits : data[0].effective & ~bits;
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& path)
    : m_path(path)
{
    chmod(QFile::encodeName(path).constData(), 0555);
    m_overrideDropped = SetFileOverride(false);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_overrideDropped)
        SetFileOverride(true);
    chmod(QFile::encodeName(m_path).constData(), 0755);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &m_previous);
    const rlimit limited{bytes, m_previous.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace glintfall
