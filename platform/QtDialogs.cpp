#include "QtDialogs.h"

#include "NameOnlyIconProvider.h"
#include "WindowFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

namespace glintfall {

namespace {

// A title bar with a close box and no other: what a desktop gives a message box. Qt tells the
// window manager so (Motif hints under X11) only where the flags are the program's own.
constexpr Qt::WindowFlags kDialogFrame =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
// What a title bar holds besides its title: a window icon, its buttons, and margins, under the
// desktops' managers and the title bar Qt draws itself under Wayland.
constexpr int kTitleBarFurniture = 160;

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

// A window that belongs to one on the screen is its transient (ICCCM, xdg-shell's parent), which
// desktops place over it and keep above it. A window not shown yet can be no one's parent.
QWidget* ShownWindow(QWidget* window)
{
    return window && window->isVisible() ? window : nullptr;
}

// A message box is as wide as its text, which may be narrower than its title in the title bar's
// larger, bolder letters beside the window's buttons: then the manager cuts the title short. The
// box is made wide enough for the whole title; added last, as a box makes its layout anew when its
// contents change.
void MakeRoomForTitle(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarFurniture;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

void QtDialogs::ShowErrorReport(QWidget* window, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    ShownWindow(window), kDialogFrame);
    MakeRoomForTitle(box);
    box.exec();
}

void ConfigureMessageBox(QMessageBox& box, const QString& caption, const QString& text, MessageIcon icon)
{
    box.setWindowFlags(kDialogFrame);
    box.setIcon(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    // The button's text is the program's, which Qt's translations would otherwise change.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    MakeRoomForTitle(box);
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                            bool centreOnScreen)
{
    QMessageBox box(ShownWindow(parent));
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
    // Resizable, as its size grip says, but neither maximised nor minimised.
    dialog.setWindowFlags(kDialogFrame);
    PlaceInUpperThird(dialog, screen);
}

std::optional<QString> QtDialogs::AskSaveFileName(QWidget* parent, const SaveDialogRequest& request)
{
    QFileDialog dialog(ShownWindow(parent));
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
    box.setWindowFlags(kDialogFrame);
    MakeRoomForTitle(box);
}

bool QtDialogs::ConfirmOverwrite(QWidget* parent, const QString& path)
{
    QMessageBox box(ShownWindow(parent));
    ConfigureOverwriteQuestion(box, path);
    return box.exec() == QMessageBox::Yes;
}

} // namespace glintfall
