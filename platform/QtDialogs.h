#pragma once

#include "Dialogs.h"

class QFileDialog;
class QMessageBox;
class QScreen;

namespace glintfall {

// The save dialog as the program shows it: Qt's own dialog, the one filter with its details
// hidden, overwrite confirmation, a size grip, no default suffix, the last name filled in in its
// folder (before any, the user's Pictures folder, or home), and placed centred across the screen
// with its top at a third of the free height.
void ConfigureSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request, QScreen* screen);

// A message box of the program's own: caption, text, icon, and one button that reads "OK" in every
// language.
void ConfigureMessageBox(QMessageBox& box, const QString& caption, const QString& text, MessageIcon icon);

// The question asked before a file is replaced, in the save dialog's own words and title, taken
// from Qt's catalogue so that both questions read alike in the desktop's language.
void ConfigureOverwriteQuestion(QMessageBox& box, const QString& path);

// The dialogs as Qt shows them.
class QtDialogs : public Dialogs {
public:
    void ShowErrorReport(QWidget* window, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                     bool centreOnScreen) override;
    std::optional<QString> AskSaveFileName(QWidget* parent, const SaveDialogRequest& request) override;
    bool ConfirmOverwrite(QWidget* parent, const QString& path) override;
};

} // namespace glintfall
