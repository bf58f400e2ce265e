#include "FileFailures.h"
#include "FormFixture.h"

#include "BmpCodec.h"

#include <QFile>

namespace glintfall {
namespace {

struct SaveTest : FormFixture {
    void SetUp() override
    {
        StartForm();
        form->show();
        while (form->Image1->Picture().Empty())
            Spin(5);
    }

    QString Saved(const char* name) const { return folder->filePath(QLatin1String(name)); }

    // Runs the save command with the dialog answering the given path, or cancelling.
    void SaveAs(const std::optional<QString>& answer)
    {
        dialogs.saveAnswers.push(answer);
        form->savebtnClick();
    }

    QByteArray CanvasAsFile() const
    {
        const std::vector<std::uint8_t> bytes = EncodeBmp(form->Image1->Picture());
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
};

TEST_F(SaveTest, bmpIsAppendedUnlessTheNameEndsInExactlyThat)
{
    const std::pair<const char*, const char*> rows[] = {
        {"pic", "pic.bmp"}, {"pic.BMP", "pic.BMP.bmp"}, {"pic.png", "pic.png.bmp"},
        {"pic.", "pic..bmp"}, {"pic.bmp", "pic.bmp"},   {"dir.v2/pic", "dir.v2/pic.bmp"},
    };
    QDir(folder->path()).mkdir(QStringLiteral("dir.v2"));
    for (const auto& [typed, written] : rows) {
        SaveAs(Saved(typed));
        EXPECT_EQ(form->SavePictureDialog.FileName, Saved(written));
        EXPECT_EQ(ReadAll(Saved(written)), CanvasAsFile()) << written;
    }
}

TEST_F(SaveTest, nextDialogOffersTheLastNameAndCancelKeepsIt)
{
    SaveAs(Saved("pic"));
    SaveAs(std::nullopt);
    SaveAs(std::nullopt);
    ASSERT_EQ(dialogs.saveRequests.size(), 3u);
    EXPECT_EQ(dialogs.saveRequests[0].fileName, QString());
    EXPECT_EQ(dialogs.saveRequests[0].filter, QStringLiteral("*..bmp (*.bmp)"));
    EXPECT_EQ(dialogs.saveRequests[1].fileName, Saved("pic.bmp"));
    EXPECT_EQ(dialogs.saveRequests[2].fileName, Saved("pic.bmp"));
}

TEST_F(SaveTest, fileHoldsTheCanvasInTheSavedLayout)
{
    scene->dots.Append({0, 479, 1});
    scene->dots.Append({0, 479, 1}); // index 1, visible: (1, 1, 2)
    Spin(30);
    SaveAs(Saved("pic.bmp"));
    const QByteArray file = ReadAll(Saved("pic.bmp"));
    ASSERT_EQ(file.size(), 921654);
    const QByteArray header = QByteArray::fromHex("424d"       // "BM"
                                                  "36100e00"   // file size 921654
                                                  "00000000"   // reserved
                                                  "36000000"   // pixels at 54
                                                  "28000000"   // info header of 40 bytes
                                                  "e0010000"   // width 480
                                                  "e0010000"   // height 480, bottom-up
                                                  "0100"       // planes
                                                  "2000"       // 32 bits per pixel
                                                  "00000000"   // no compression
                                                  "00100e00"   // image size 921600
                                                  "0000000000000000"    // resolutions
                                                  "0000000000000000");  // colours
    EXPECT_EQ(file.left(54), header);
    EXPECT_EQ(file.mid(54, 4), QByteArray::fromHex("02010100")); // bottom-left first: blue, green, red, 0
    EXPECT_EQ(file, CanvasAsFile());
}

TEST_F(SaveTest, nothingIsWrittenBeforeTheFirstFrame)
{
    TearDown();
    StartForm();
    SaveAs(Saved("early"));
    EXPECT_FALSE(QFile::exists(Saved("early.bmp")));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->SavePictureDialog.FileName, Saved("early.bmp"));
}

TEST_F(SaveTest, appendedNameThatExistsIsAskedAbout)
{
    QFile old(Saved("pic.bmp"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older picture");
    old.close();

    dialogs.acceptOverwrite = false;
    SaveAs(Saved("pic"));
    EXPECT_EQ(dialogs.overwriteQuestions, QStringList{Saved("pic.bmp")});
    EXPECT_EQ(ReadAll(Saved("pic.bmp")), QByteArray("older picture"));
    EXPECT_EQ(form->SavePictureDialog.FileName, Saved("pic.bmp"));

    dialogs.acceptOverwrite = true;
    SaveAs(Saved("pic"));
    EXPECT_EQ(ReadAll(Saved("pic.bmp")), CanvasAsFile());

    SaveAs(Saved("new")); // no such file yet: nothing to ask
    EXPECT_EQ(dialogs.overwriteQuestions.size(), 2);
}

TEST_F(SaveTest, failuresShowTheErrorBoxKeepTheOldFileAndLetFramesRun)
{
    QDir(folder->path()).mkdir(QStringLiteral("out"));
    const QString target = Saved("out/pic.bmp");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older picture");
    old.close();

    int framesWhileErrorShown = 0;
    dialogs.whileOpen = [&] {
        const int before = host->framesPresented;
        Spin(60);
        framesWhileErrorShown = host->framesPresented - before;
    };
    const auto expectFailure = [&](const QString& path) {
        dialogs.messages.clear();
        SaveAs(path);
        ASSERT_EQ(dialogs.messages.size(), 1u) << path.toStdString();
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("File I/O error."));
        EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
        EXPECT_TRUE(dialogs.messages[0].centredOnScreen);
        EXPECT_GT(framesWhileErrorShown, 2);
    };
    expectFailure(Saved("no-such-folder/pic.bmp"));
    {
        const ReadOnlyFolder readOnly(folder->filePath(QStringLiteral("out")));
        expectFailure(target);
    }
    {
        const FileSizeLimit limit(100000);
        expectFailure(target);
    }
    EXPECT_EQ(ReadAll(target), QByteArray("older picture"));
    EXPECT_EQ(FilesIn(folder->filePath(QStringLiteral("out"))), QStringList{QStringLiteral("pic.bmp")});
}

TEST_F(SaveTest, noFrameRunsWhileTheDialogIsOpen)
{
    int framesWhileOpen = -1;
    dialogs.whileOpen = [&] {
        const int before = host->framesPresented;
        Spin(60);
        framesWhileOpen = host->framesPresented - before;
    };
    SaveAs(std::nullopt);
    EXPECT_EQ(framesWhileOpen, 0);
}

} // namespace
} // namespace glintfall
