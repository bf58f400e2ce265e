#include "QtDialogs.h"
#include "Watchdog.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/klog.h>

namespace glintfall {
namespace {

// Bytes of kernel messages not yet read from /proc/kmsg, or -1 where this user may not read them.
int UnreadKernelMessages()
{
    constexpr int kSizeUnread = 9; // SYSLOG_ACTION_SIZE_UNREAD, see syslog(2)
    return klogctl(kSizeUnread, nullptr, 0);
}

TEST(QtDialogsTest, saveDialogShowsTheOneFilterAndTheLastName)
{
    QTemporaryDir folder;
    const QString last = folder.filePath(QStringLiteral("pic.bmp"));
    QFileDialog dialog;
    QScreen* screen = QGuiApplication::primaryScreen();
    ConfigureSaveDialog(dialog, {QStringLiteral("*..bmp (*.bmp)"), last}, screen);

    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(dialog.isSizeGripEnabled());
    EXPECT_TRUE(dialog.defaultSuffix().isEmpty());
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("*..bmp (*.bmp)")});
    const auto* filterBox = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(filterBox, nullptr);
    EXPECT_EQ(filterBox->currentText(), QStringLiteral("*..bmp"));
    EXPECT_EQ(dialog.selectedFiles(), QStringList{last});
    EXPECT_EQ(dialog.directory().absolutePath(), folder.path());

    const QRect available = screen->availableGeometry();
    const QRect frame = dialog.frameGeometry();
    EXPECT_EQ(frame.left(), available.left() + (available.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), available.top() + (available.height() - frame.height()) / 3);
}

// An environment variable with another value for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value)
        : m_name(name)
        , m_previous(qgetenv(name))
        , m_wasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_previous;
    bool m_wasSet;
};

// Before any name has been used, the dialog opens where a Linux desktop keeps pictures: the
// Pictures folder the user's XDG folders name, ~/Pictures without them, or home where that folder
// is missing; never in the working folder.
TEST(QtDialogsTest, saveDialogFirstOpensInThePicturesFolderOrHome)
{
    const struct {
        const char* userDirs; // the contents of ~/.config/user-dirs.dirs, if there is one
        const char* made;     // the folder made in home, if any
        const char* expected; // relative to home
    } rows[] = {
        {nullptr, "Pictures", "Pictures"},
        {nullptr, nullptr, "."},
        {"XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "Bilder", "Bilder"},
        {"XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "Pictures", "."},
    };
    for (const auto& row : rows) {
        QTemporaryDir home;
        const QDir homeFolder(home.path());
        const ScopedVariable homeVariable("HOME", home.path());
        const ScopedVariable configVariable("XDG_CONFIG_HOME", homeFolder.filePath(QStringLiteral(".config")));
        if (row.userDirs) {
            homeFolder.mkdir(QStringLiteral(".config"));
            QFile userDirs(homeFolder.filePath(QStringLiteral(".config/user-dirs.dirs")));
            ASSERT_TRUE(userDirs.open(QIODevice::WriteOnly));
            userDirs.write(row.userDirs);
        }
        if (row.made)
            homeFolder.mkdir(QLatin1String(row.made));
        ASSERT_NE(QDir::currentPath(), home.path());

        QFileDialog dialog;
        ConfigureSaveDialog(dialog, {QStringLiteral("*..bmp (*.bmp)"), {}}, QGuiApplication::primaryScreen());
        EXPECT_EQ(dialog.directory().absolutePath(), QDir::cleanPath(homeFolder.filePath(QLatin1String(row.expected))))
            << (row.userDirs ? row.userDirs : "no user-dirs.dirs") << ", made " << (row.made ? row.made : "nothing");
    }
}

// For root, a read of /proc/kmsg waits for the next kernel message: a dialog that reads a file to
// choose its icon or type would stop there for good. The list is made on this thread, so only a
// watchdog can end the test then. A reader consumes the messages it reads, so with a backlog of one
// whole read (16 KiB, which returns at once instead of waiting) a shrinking backlog tells; no log
// daemon reads /proc/kmsg where such a backlog builds up.
TEST(QtDialogsTest, saveDialogListsProcWithinASecondWithoutReadingAFile)
{
    const int unreadBefore = UnreadKernelMessages();
    if (unreadBefore < 0)
        GTEST_SKIP() << "only root may read /proc/kmsg, whose read waits for the next kernel message";
    QFileDialog dialog;
    ConfigureSaveDialog(dialog, {QStringLiteral("*..bmp (*.bmp)"), {}}, QGuiApplication::primaryScreen());
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);

    Watchdog watchdog(std::chrono::seconds(5), [] {
        std::fputs("FAIL: the save dialog still lists /proc after 5 s: it is stuck reading a file\n", stderr);
        std::_Exit(EXIT_FAILURE);
    });
    QElapsedTimer clock;
    clock.start();
    // As the completer does when the user types "/proc/"; the dialog stays where it is.
    model->fetchMore(model->index(QStringLiteral("/proc")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return loaded.contains(QVariantList{QStringLiteral("/proc")}); }, 1000));
    const qint64 milliseconds = clock.elapsed();
    watchdog.Stop();

    EXPECT_LT(milliseconds, 1000);
    EXPECT_GT(model->rowCount(model->index(QStringLiteral("/proc"))), 0);
    if (unreadBefore >= 16384) {
        EXPECT_GE(UnreadKernelMessages(), unreadBefore) << "the dialog read /proc/kmsg";
    }
}

TEST(QtDialogsTest, messageBoxesHaveTheirIconsAndButtons)
{
    QMessageBox error;
    ConfigureMessageBox(error, QStringLiteral("エラー"), QStringLiteral("File I/O error."), MessageIcon::Error);
    EXPECT_EQ(error.windowTitle(), QStringLiteral("エラー"));
    EXPECT_EQ(error.text(), QStringLiteral("File I/O error."));
    EXPECT_EQ(error.icon(), QMessageBox::Critical);
    EXPECT_EQ(error.standardButtons(), QMessageBox::Ok);

    QMessageBox about;
    ConfigureMessageBox(about, QStringLiteral("Glintfall"), QStringLiteral("Glintfall"), MessageIcon::None);
    EXPECT_EQ(about.icon(), QMessageBox::NoIcon);
    // A title bar with a close box only, and room in it for the whole title beside the window's
    // icon and buttons, however short the text.
    EXPECT_EQ(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint), Qt::WindowFlags());
    EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
    about.show();
    EXPECT_GE(about.width(), about.fontMetrics().horizontalAdvance(about.windowTitle()) + 150);

    // Replacing a file is never the answer a stray Enter gives.
    QMessageBox question;
    ConfigureOverwriteQuestion(question, QStringLiteral("/home/user/pic.bmp"));
    EXPECT_EQ(question.icon(), QMessageBox::Warning);
    EXPECT_EQ(question.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.defaultButton(), question.button(QMessageBox::No));
}

} // namespace
} // namespace glintfall
