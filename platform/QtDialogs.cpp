#include "QtDialogs.h"

#include "NameOnlyIconProvider.h"
#include "WindowFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

namespace glintfall {

namespace {

QScreen* ScreenOf(QWidget* widget)
{
    return widget ? widget->screen() : QGuiApplication::primaryScreen();
}

void CentreOnScreen(QWidget& dialog, QScreen* screen)
{
    dialog.adjustSize();
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->geometry().center());
    dialog.move(frame.topLeft());
}

// Centred horizontally, with the top at one third of the free height, frame included.
void PlaceInUpperThird(QWidget& dialog, QScreen* screen)
{
    dialog.adjustSize();
    const QRect available = screen->availableGeometry();
    WindowFrame::Of(dialog).Place([available](QSize outer) {
        return QPoint(available.left() + (available.width() - outer.width()) / 2,
                      available.top() + (available.height() - outer.height()) / 3);
    });
}

// The folder a Linux desktop offers for pictures: the user's Pictures folder (XDG), or the home
// folder where there is none. Never the working folder, which may be one the user cannot write to.
QString PicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

} // namespace

void QtDialogs::ShowErrorReport(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}

void ConfigureMessageBox(QMessageBox& box, const QString& caption, const QString& text, MessageIcon icon)
{
    box.setIcon(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    // The button's text is the program's, which Qt's translations would otherwise change.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                            bool centreOnScreen)
{
    QMessageBox box(parent);
    ConfigureMessageBox(box, caption, text, icon);
    if (centreOnScreen)
        CentreOnScreen(box, ScreenOf(parent));
    box.exec();
}

void ConfigureSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request, QScreen* screen)
{
    // Qt's own dialog, so that its filter text, overwrite question and position are as asked.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Its list must never read a file to show it: some reads never return.
    dialog.setIconProvider(new NameOnlyIconProvider(&dialog));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.filter);
    // The pictures folder until a name has been used; then that name, in its own folder.
    dialog.setDirectory(PicturesFolder());
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    dialog.setSizeGripEnabled(true);
    PlaceInUpperThird(dialog, screen);
}

std::optional<QString> QtDialogs::AskSaveFileName(QWidget* parent, const SaveDialogRequest& request)
{
    QFileDialog dialog(parent);
    ConfigureSaveDialog(dialog, request, ScreenOf(parent));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void ConfigureOverwriteQuestion(QMessageBox& box, const QString& path)
{
    // QFileDialog asks with these words under its own title, which is "Save As" while no other is set.
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QFileDialog::tr("Save As"));
    box.setText(QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
}

bool QtDialogs::ConfirmOverwrite(QWidget* parent, const QString& path)
{
    QMessageBox box(parent);
    ConfigureOverwriteQuestion(box, path);
    return box.exec() == QMessageBox::Yes;
}

} // namespace glintfall
