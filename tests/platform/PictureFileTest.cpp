#include "PictureFile.h"

#include "Bitmap.h"
#include "BmpCodec.h"
#include "FileFailures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace glintfall {
namespace {

struct PictureFileTest : ::testing::Test {
    PictureFileTest()
        : picture(480, 480)
    {
        picture.SetPixel(0, 479, ColorToPixel(RGB(1, 2, 3)));
        const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
        expected = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }

    QString PathOf(const char* name) const { return folder.filePath(QLatin1String(name)); }

    void PutOldFile(const QString& path)
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the picture that was there before");
    }

    QTemporaryDir folder;
    TABitmap picture;
    QByteArray expected;
};

TEST_F(PictureFileTest, writesTheEncodedPictureAndReplacesAnOldFile)
{
    const QString path = PathOf("pic.bmp");
    PutOldFile(path);
    chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(WritePictureFile(picture, path));
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(FilesIn(folder.path()), QStringList{QStringLiteral("pic.bmp")});
    struct stat written {};
    stat(QFile::encodeName(path).constData(), &written);
    EXPECT_EQ(written.st_mode & 0777, 0640u);
}

TEST_F(PictureFileTest, failuresLeaveTheOldFileAndNoTemporaryFile)
{
    const QString path = PathOf("pic.bmp");
    PutOldFile(path);
    const QByteArray old = ReadAll(path);
    {
        const ReadOnlyFolder readOnly(folder.path());
        EXPECT_FALSE(WritePictureFile(picture, path));
    }
    {
        const FileSizeLimit limit(100000);
        EXPECT_FALSE(WritePictureFile(picture, path));
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(FilesIn(folder.path()), QStringList{QStringLiteral("pic.bmp")});
}

TEST_F(PictureFileTest, missingFolderFails)
{
    EXPECT_FALSE(WritePictureFile(picture, PathOf("no-such-folder/pic.bmp")));
    EXPECT_TRUE(FilesIn(folder.path()).isEmpty());
}

} // namespace
} // namespace glintfall
