#include "PictureFile.h"

#include "Bitmap.h"
#include "BmpCodec.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace glintfall {

namespace {

// A file past the process's size limit would otherwise kill the program with SIGXFSZ; ignored, the
// write fails with EFBIG like any other write error.
void IgnoreFileSizeSignal()
{
    static const bool ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    (void)ignored;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode a new file gets from the user's umask, or the mode of the file being replaced.
mode_t ModeFor(const std::string& path)
{
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The new name lasts only once the folder itself is on disk. Best effort: the file is already in
// place, and some file systems cannot sync a folder.
void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// Fills a new temporary file beside the target and syncs it. False, with nothing left behind, on
// any failure.
bool WriteTemporary(std::string& temporary, const std::vector<std::uint8_t>& bytes, mode_t mode)
{
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (written && closed)
        return true;
    unlink(temporary.c_str());
    return false;
}

} // namespace

bool WritePictureFile(const TABitmap& picture, const QString& path)
{
    IgnoreFileSizeSignal();
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
    const std::string target = QFile::encodeName(path).toStdString();
    const std::string folder = FolderOf(target);
    std::string temporary = folder + "/.glintfall-XXXXXX";
    if (!WriteTemporary(temporary, bytes, ModeFor(target)))
        return false;
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

} // namespace glintfall
