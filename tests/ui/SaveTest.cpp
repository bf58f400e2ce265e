#include "FileFailures.h"
#include "FormFixture.h"
#include "Watchdog.h"

#include "BmpCodec.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <optional>
#include <sys/stat.h>

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

    // Saves to the path and expects the error box, with the animation going on behind it.
    void SaveExpectingErrorBox(const QString& path)
    {
        scene->cycling = true; // every frame differs from the last, so none is left out
        int framesWhileShown = 0;
        dialogs.whileOpen = [&] {
            const int before = host->framesPresented;
            Spin(60);
            framesWhileShown = host->framesPresented - before;
        };
        dialogs.messages.clear();
        SaveAs(path);
        dialogs.whileOpen = nullptr;
        ASSERT_EQ(dialogs.messages.size(), 1u) << path.toStdString();
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("File I/O error."));
        EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
        EXPECT_TRUE(dialogs.messages[0].centredOnScreen);
        EXPECT_GT(framesWhileShown, 2);
    }

    static void PutOldFile(const QString& path)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("older picture");
    }

    static ino_t InodeOf(const QString& path)
    {
        struct stat status {};
        stat(QFile::encodeName(path).constData(), &status);
        return status.st_ino;
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
    PutOldFile(Saved("pic.bmp"));
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
    const QString target = Saved("out/pic.bmp");
    PutOldFile(target);
    SaveExpectingErrorBox(Saved("no-such-folder/pic.bmp"));
    {
        const FileSizeLimit limit(100000);
        SaveExpectingErrorBox(target);
    }
    EXPECT_EQ(ReadAll(target), QByteArray("older picture"));
    EXPECT_EQ(FilesIn(Saved("out")), QStringList{QStringLiteral("pic.bmp")});
}

// Writing the file itself is the one way to save it there, and the user may write it.
TEST_F(SaveTest, writableFileInAFolderThatTakesNoNewFilesIsSavedInPlace)
{
    const QString target = Saved("out/pic.bmp");
    PutOldFile(target);
    const ino_t inode = InodeOf(target);
    {
        const ReadOnlyFolder readOnly(Saved("out"));
        SaveAs(target);
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadAll(target), CanvasAsFile());
    EXPECT_EQ(FilesIn(Saved("out")), QStringList{QStringLiteral("pic.bmp")});
    EXPECT_EQ(InodeOf(target), inode);
}

// Written in place, a FIFO would hold the window until someone reads it; replaced, it would be lost.
TEST_F(SaveTest, fifoIsRefusedWithTheErrorBoxAndNeverBlocksTheWindow)
{
    for (const bool folderTakesNewFiles : {true, false}) {
        SCOPED_TRACE(folderTakesNewFiles ? "folder takes new files" : "folder takes no new files");
        const QString pipes = Saved(folderTakesNewFiles ? "open" : "closed");
        const QString fifo = pipes + QStringLiteral("/pic.bmp");
        ASSERT_TRUE(QDir().mkpath(pipes));
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        Watchdog watchdog(std::chrono::seconds(5), [fifo] { DrainFifo(fifo); });
        {
            std::optional<ReadOnlyFolder> readOnly;
            if (!folderTakesNewFiles)
                readOnly.emplace(pipes);
            SaveExpectingErrorBox(fifo);
        }
        EXPECT_FALSE(watchdog.Stop()) << "saving blocked on the FIFO";
        struct stat status {};
        EXPECT_EQ(lstat(QFile::encodeName(fifo).constData(), &status), 0);
        EXPECT_TRUE(S_ISFIFO(status.st_mode));
        EXPECT_EQ(FilesIn(pipes), QStringList{QStringLiteral("pic.bmp")});
    }
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
