#include "QtDialogs.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace glintfall {
namespace {

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

    const QRect available = screen->availableGeometry();
    const QRect frame = dialog.frameGeometry();
    EXPECT_EQ(frame.left(), available.left() + (available.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), available.top() + (available.height() - frame.height()) / 3);
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

    // Replacing a file is never the answer a stray Enter gives.
    QMessageBox question;
    ConfigureOverwriteQuestion(question, QStringLiteral("/home/user/pic.bmp"));
    EXPECT_EQ(question.icon(), QMessageBox::Warning);
    EXPECT_EQ(question.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.defaultButton(), question.button(QMessageBox::No));
}

} // namespace
} // namespace glintfall
