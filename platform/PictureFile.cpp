#include "PictureFile.h"

#include "Bitmap.h"
#include "BmpCodec.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdint>
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

// What the path names once links are followed.
struct Target {
    enum class Kind { New, Regular, Refused };
    Kind kind;
    struct stat status;
};

// QSaveFile would rename a plain file over a FIFO or a device, and, where it has to write in
// place, wait on a FIFO until someone reads it. Only a regular file or a name not yet taken is
// saved to. A loop of links fails here too, where QSaveFile would replace the link with a file.
Target Examine(const QString& path)
{
    Target target{};
    if (stat(QFile::encodeName(path).constData(), &target.status) == 0)
        target.kind = S_ISREG(target.status.st_mode) ? Target::Kind::Regular : Target::Kind::Refused;
    else
        target.kind = errno == ENOENT ? Target::Kind::New : Target::Kind::Refused;
    return target;
}

// QSaveFile drops the owner and group, and takes the mode from what the saver may do: root saving
// a write-protected file would make it writable. Only root may give a file to another user, and a
// user only to a group of their own; where that is refused the picture is the saver's, as a new
// file would be, and that is no failure. The old file itself, written in place, keeps all of this.
bool KeepOwnerAndMode(int fd, const struct stat& old)
{
    struct stat written {};
    if (fstat(fd, &written) != 0)
        return false;
    if (written.st_dev == old.st_dev && written.st_ino == old.st_ino)
        return true;
    [[maybe_unused]] const bool ownerKept = fchown(fd, old.st_uid, old.st_gid) == 0
                                            || fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
    return fchmod(fd, old.st_mode & 07777) == 0;
}

// QSaveFile notes a failed write but not a short one (a size limit ends a write early without an
// error), and ignores a failed sync: either way commit() would put a damaged picture in place.
bool WriteAndSync(QSaveFile& file, const std::vector<std::uint8_t>& bytes)
{
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size && file.flush()
        && fsync(file.handle()) == 0;
}

// commit() then discards the temporary file; a file written in place it only closes, where
// QSaveFile's destructor would try to delete it.
void Abandon(QSaveFile& file)
{
    file.cancelWriting();
    file.commit();
}

} // namespace

bool WritePictureFile(const TABitmap& picture, const QString& path)
{
    IgnoreFileSizeSignal();
    const Target target = Examine(path);
    if (target.kind == Target::Kind::Refused)
        return false;
    QSaveFile file(path);
    // Where no file can be made beside it, a file the user may write is written in place; QSaveFile
    // refuses one the user may not write before it tries either way.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool kept = target.kind == Target::Kind::New || KeepOwnerAndMode(file.handle(), target.status);
    if (!kept || !WriteAndSync(file, EncodeBmp(picture))) {
        Abandon(file);
        return false;
    }
    return file.commit();
}

} // namespace glintfall
