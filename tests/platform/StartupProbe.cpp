// Starts the application as the program does and prints what start-up made of Qt's side, one
// "name=value" line each, line breaks in values written as "\n": the style in use under the
// tooltip timing and its tooltip delay, the save dialog's title and buttons, the question asked
// before a file is replaced, and the button of the program's own message box. StartupTest runs it
// once per environment, since Qt reads the style and the language only when it starts.

#include "Application.h"
#include "QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>

#include <cstdio>

using namespace glintfall;

namespace {

void Print(const char* name, QString value)
{
    value.replace(u'\n', QStringLiteral("\\n"));
    std::printf("%s=%s\n", name, value.toUtf8().constData());
}

void PrintStyle()
{
    const QStyle* style = QApplication::style();
    if (const auto* proxy = qobject_cast<const QProxyStyle*>(style))
        style = proxy->baseStyle();
    Print("style", style->name());
    Print("tooltipDelay", QString::number(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay)));
}

void PrintSaveDialog()
{
    QFileDialog dialog;
    ConfigureSaveDialog(dialog, {QStringLiteral("*..bmp (*.bmp)"), QString()}, QGuiApplication::primaryScreen());
    Print("saveTitle", dialog.windowTitle());
    const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    Print("saveButton", buttons ? buttons->button(QDialogButtonBox::Save)->text() : QString());
    Print("cancelButton", buttons ? buttons->button(QDialogButtonBox::Cancel)->text() : QString());
}

void PrintOverwriteQuestion()
{
    QMessageBox box;
    ConfigureOverwriteQuestion(box, QStringLiteral("/home/user/pic.bmp"));
    Print("overwriteTitle", box.windowTitle());
    Print("overwriteText", box.text());
    Print("yesButton", box.button(QMessageBox::Yes)->text());
    Print("noButton", box.button(QMessageBox::No)->text());
}

void PrintMessageBox()
{
    QMessageBox box;
    ConfigureMessageBox(box, QStringLiteral("エラー"), QStringLiteral("File I/O error."), MessageIcon::Error);
    Print("messageButton", box.button(QMessageBox::Ok)->text());
}

} // namespace

int main(int argc, char** argv)
{
    PrepareQtPlatform(argc, argv);
    QApplication application(argc, argv);
    ApplyPlatformDefaults(application);
    PrintStyle();
    PrintSaveDialog();
    PrintOverwriteQuestion();
    PrintMessageBox();
    return 0;
}
