#include "PictureFile.h"

#include "Bitmap.h"
#include "BmpCodec.h"
#include "FileFailures.h"
#include "UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace glintfall {
namespace {

using Outcome = UnprivilegedUser::Outcome;

const QByteArray kOldPicture("the picture that was there before");

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// The status of the path itself, not of what a link names.
struct stat StatusOf(const QString& path)
{
    struct stat status {};
    lstat(Native(path).constData(), &status);
    return status;
}

QString LinkText(const QString& path)
{
    char text[4096];
    const ssize_t length = readlink(Native(path).constData(), text, sizeof text);
    return length < 0 ? QString() : QFile::decodeName(QByteArray(text, length));
}

// Every table row names itself, in test names and in messages.
template <typename Row>
    requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

template <typename Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

struct PictureFileTest : ::testing::Test {
    PictureFileTest()
        : picture(480, 480)
    {
        picture.SetPixel(0, 479, ColorToPixel(RGB(1, 2, 3)));
        const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
        expected = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }

    QString PathOf(const char* name) const { return folder.filePath(QLatin1String(name)); }

    static void PutOldFile(const QString& path, mode_t mode = 0644)
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(kOldPicture);
        old.close();
        ASSERT_EQ(chmod(Native(path).constData(), mode), 0);
    }

    QTemporaryDir folder;
    TABitmap picture;
    QByteArray expected;
};

TEST_F(PictureFileTest, writesTheEncodedPictureAndReplacesAnOldFile)
{
    const QString path = PathOf("pic.bmp");
    PutOldFile(path, 0640);
    ASSERT_TRUE(WritePictureFile(picture, path));
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(FilesIn(folder.path()), QStringList{QStringLiteral("pic.bmp")});
    EXPECT_EQ(StatusOf(path).st_mode & 07777, 0640u);
}

TEST_F(PictureFileTest, failuresLeaveTheOldFileAndNoTemporaryFile)
{
    const QString path = PathOf("pic.bmp");
    PutOldFile(path);
    {
        const FileSizeLimit limit(100000);
        EXPECT_FALSE(WritePictureFile(picture, path));
    }
    EXPECT_EQ(ReadAll(path), kOldPicture);
    EXPECT_EQ(FilesIn(folder.path()), QStringList{QStringLiteral("pic.bmp")});
}

TEST_F(PictureFileTest, missingFolderFails)
{
    EXPECT_FALSE(WritePictureFile(picture, PathOf("no-such-folder/pic.bmp")));
    EXPECT_TRUE(FilesIn(folder.path()).isEmpty());
}

// ---- Symbolic links: the picture is saved as "pic.bmp", which is a link.

struct LinkCase {
    const char* name;
    // Link name and the text it holds, in which "%1" stands for the test's folder.
    std::vector<std::pair<const char*, const char*>> links;
    // The file the links finally name, when there is one.
    const char* file;
    bool fileExists;
    bool saved;
};

const LinkCase kLinkCases[] = {
    {"linkBesideItsFile", {{"pic.bmp", "target.bmp"}}, "target.bmp", true, true},
    {"linkToAFileInAnotherFolder", {{"pic.bmp", "%1/other/target.bmp"}}, "other/target.bmp", true, true},
    {"chainOfTwoLinks", {{"pic.bmp", "middle.bmp"}, {"middle.bmp", "other/target.bmp"}}, "other/target.bmp", true, true},
    {"danglingLinkCreatesTheFileItNames", {{"pic.bmp", "other/new.bmp"}}, "other/new.bmp", false, true},
    {"loopOfLinksIsRefused", {{"pic.bmp", "loop.bmp"}, {"loop.bmp", "pic.bmp"}}, nullptr, false, false},
};

struct PictureFileLinkTest : PictureFileTest, ::testing::WithParamInterface<LinkCase> {
    QString TextOf(const char* link) const { return QString::fromLatin1(link).replace(QStringLiteral("%1"), folder.path()); }
};

TEST_P(PictureFileLinkTest, theFileALinkNamesIsReplacedAndTheLinkKept)
{
    const LinkCase& row = GetParam();
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("other")));
    if (row.fileExists) {
        PutOldFile(PathOf(row.file), 0640);
    }
    for (const auto& [link, text] : row.links) {
        ASSERT_EQ(symlink(Native(TextOf(text)).constData(), Native(PathOf(link)).constData()), 0);
    }
    const QStringList here = FilesIn(folder.path());
    QStringList other = FilesIn(PathOf("other"));
    if (row.saved && !row.fileExists) // made where the dangling link points
        other = QStringList{QFileInfo(QLatin1String(row.file)).fileName()};

    EXPECT_EQ(WritePictureFile(picture, PathOf("pic.bmp")), row.saved);
    for (const auto& [link, text] : row.links)
        EXPECT_EQ(LinkText(PathOf(link)), TextOf(text)) << link;
    if (row.saved) {
        EXPECT_EQ(ReadAll(PathOf(row.file)), expected);
        if (row.fileExists) {
            EXPECT_EQ(StatusOf(PathOf(row.file)).st_mode & 07777, 0640u);
        }
    }
    EXPECT_EQ(FilesIn(folder.path()), here);
    EXPECT_EQ(FilesIn(PathOf("other")), other);
}

INSTANTIATE_TEST_SUITE_P(Links, PictureFileLinkTest, ::testing::ValuesIn(kLinkCases), RowName<LinkCase>);

// ---- Cases that depend on who saves: run as an unprivileged user, in a folder "box" of the test's.

struct AsUserFixture : PictureFileTest {
    void SetUp() override
    {
        // The user must reach the box through the test's own folder.
        ASSERT_EQ(chmod(Native(folder.path()).constData(), 0755), 0);
        ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("box")));
        user.Give(box);
    }
    void TearDown() override { chmod(Native(box).constData(), 0755); }

    // Root's folder, where the user may write files but not create them.
    void TakeNewFilesAway() const
    {
        if (user.IsAnotherUser()) {
            ASSERT_EQ(chown(Native(box).constData(), 0, 0), 0);
        } else {
            ASSERT_EQ(chmod(Native(box).constData(), 0555), 0);
        }
    }

    Outcome SaveAsUser(const QString& path, unsigned timeoutSeconds = 10) const
    {
        return user.Run([&] { return WritePictureFile(picture, path); }, timeoutSeconds);
    }

    UnprivilegedUser user;
    QString box = folder.filePath(QStringLiteral("box"));
    QString path = folder.filePath(QStringLiteral("box/pic.bmp"));
};

struct PermissionCase {
    const char* name;
    bool folderTakesNewFiles;
    bool fileExists;
    mode_t fileMode;
    bool saved;
};

const PermissionCase kPermissionCases[] = {
    {"writeProtectedFileIsRefused", true, true, 0444, false},
    {"writableFileInAFolderThatTakesNoNewFilesIsWrittenInPlace", false, true, 0644, true},
    {"newFileInAFolderThatTakesNoNewFilesIsRefused", false, false, 0, false},
};

struct PictureFilePermissionTest : AsUserFixture, ::testing::WithParamInterface<PermissionCase> {};

TEST_P(PictureFilePermissionTest, savesWhatTheUserMayWriteAndLeavesTheRestUntouched)
{
    const PermissionCase& row = GetParam();
    if (row.fileExists) {
        PutOldFile(path, row.fileMode);
        user.Give(path);
    }
    if (!row.folderTakesNewFiles)
        TakeNewFilesAway();
    const struct stat old = StatusOf(path);
    const QStringList listed = FilesIn(box);

    const Outcome outcome = SaveAsUser(path);
    if (outcome == Outcome::CouldNotBecomeUser) {
        GTEST_SKIP() << "cannot become an unprivileged user here";
    }
    EXPECT_EQ(outcome, row.saved ? Outcome::True : Outcome::False);
    EXPECT_EQ(FilesIn(box), listed);
    if (!row.fileExists)
        return;
    const struct stat now = StatusOf(path);
    EXPECT_EQ(ReadAll(path), row.saved ? expected : kOldPicture);
    EXPECT_EQ(now.st_mode & 07777, row.fileMode);
    EXPECT_EQ(now.st_uid, old.st_uid);
    EXPECT_EQ(now.st_gid, old.st_gid);
    if (!row.folderTakesNewFiles) {
        EXPECT_EQ(now.st_ino, old.st_ino) << "not written in place";
    }
}

INSTANTIATE_TEST_SUITE_P(Permissions, PictureFilePermissionTest, ::testing::ValuesIn(kPermissionCases),
                         RowName<PermissionCase>);

// ---- Owner, group and mode of the file replaced. Only root can hand files to others.

struct OwnershipCase {
    const char* name;
    bool savedByTheUser; // or by root, in this process
    uid_t uid;
    gid_t gid;
    mode_t mode;
    uid_t uidAfter;
    gid_t gidAfter;
};

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
constexpr gid_t kShared = UnprivilegedUser::kSharedGroup;

const OwnershipCase kOwnershipCases[] = {
    {"rootKeepsAnotherUsersOwnerGroupAndMode", false, kNobody, kNogroup, 0640, kNobody, kNogroup},
    {"rootReplacesAWriteProtectedFileKeepingItsMode", false, kNobody, kNogroup, 0444, kNobody, kNogroup},
    {"userKeepsTheSharedGroupOfAnotherUsersFile", true, 0, kShared, 0664, kNobody, kShared},
    {"userWhoMayKeepNeitherOwnerNorGroupStillSaves", true, 0, 0, 0666, kNobody, kNogroup},
};

struct PictureFileOwnershipTest : AsUserFixture, ::testing::WithParamInterface<OwnershipCase> {};

TEST_P(PictureFileOwnershipTest, keepsOwnerGroupAndModeWhereTheSaverMay)
{
    const OwnershipCase& row = GetParam();
    if (!user.IsAnotherUser()) {
        GTEST_SKIP() << "only root can give files to other users";
    }
    PutOldFile(path, row.mode);
    ASSERT_EQ(chown(Native(path).constData(), row.uid, row.gid), 0);

    const Outcome outcome = row.savedByTheUser ? SaveAsUser(path)
                            : WritePictureFile(picture, path) ? Outcome::True
                                                              : Outcome::False;
    if (outcome == Outcome::CouldNotBecomeUser) {
        GTEST_SKIP() << "cannot become an unprivileged user here";
    }
    EXPECT_EQ(outcome, Outcome::True);
    const struct stat now = StatusOf(path);
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(now.st_uid, row.uidAfter);
    EXPECT_EQ(now.st_gid, row.gidAfter);
    EXPECT_EQ(now.st_mode & 07777, row.mode);
    EXPECT_EQ(FilesIn(box), QStringList{QStringLiteral("pic.bmp")});
}

INSTANTIATE_TEST_SUITE_P(Ownership, PictureFileOwnershipTest, ::testing::ValuesIn(kOwnershipCases),
                         RowName<OwnershipCase>);

// ---- Targets that are not regular files are never replaced, written, or waited on.

enum class Node { Fifo, CharacterDevice, Socket };

struct NodeCase {
    const char* name;
    Node node;
    bool folderTakesNewFiles;
};

const NodeCase kNodeCases[] = {
    {"fifo", Node::Fifo, true},
    // Written in place, the FIFO would block the saver until someone reads.
    {"fifoInAFolderThatTakesNoNewFiles", Node::Fifo, false},
    {"characterDevice", Node::CharacterDevice, true},
    {"socket", Node::Socket, true},
};

bool MakeSocket(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = Native(path);
    if (static_cast<std::size_t>(name.size()) >= sizeof address.sun_path)
        return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return bound;
}

// Makes the node, open to everyone; false where this process may not.
bool MakeNode(Node node, const QString& path)
{
    const QByteArray name = Native(path);
    switch (node) {
    case Node::Fifo:
        return mkfifo(name.constData(), 0666) == 0 && chmod(name.constData(), 0666) == 0;
    case Node::CharacterDevice: // the null device, as /dev/null is
        return mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 && chmod(name.constData(), 0666) == 0;
    case Node::Socket:
        return MakeSocket(path) && chmod(name.constData(), 0666) == 0;
    }
    return false;
}

struct PictureFileNodeTest : AsUserFixture, ::testing::WithParamInterface<NodeCase> {};

TEST_P(PictureFileNodeTest, isRefusedAndLeftAsItWasWithoutBlocking)
{
    const NodeCase& row = GetParam();
    if (!MakeNode(row.node, path)) {
        GTEST_SKIP() << "this process may not make a " << row.name;
    }
    user.Give(path);
    if (!row.folderTakesNewFiles)
        TakeNewFilesAway();
    const struct stat old = StatusOf(path);
    const QStringList listed = FilesIn(box);

    const Outcome outcome = SaveAsUser(path, 5);
    if (outcome == Outcome::CouldNotBecomeUser) {
        GTEST_SKIP() << "cannot become an unprivileged user here";
    }
    EXPECT_EQ(outcome, Outcome::False);
    const struct stat now = StatusOf(path);
    EXPECT_EQ(now.st_mode, old.st_mode);
    EXPECT_EQ(now.st_ino, old.st_ino);
    EXPECT_EQ(FilesIn(box), listed);
}

INSTANTIATE_TEST_SUITE_P(NotRegularFiles, PictureFileNodeTest, ::testing::ValuesIn(kNodeCases), RowName<NodeCase>);

} // namespace
} // namespace glintfall
