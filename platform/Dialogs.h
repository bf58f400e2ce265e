#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace glintfall {

enum class MessageIcon { None, Error };

// What the save-file dialog is asked with; it remembers nothing itself.
struct SaveDialogRequest {
    QString filter;   // "Visible text (pattern)"
    QString fileName; // offered in the dialog; the last file saved
};

// Every modal dialog of the program goes through this seam, so that tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The application-wide report of an error that no handler caught: stop icon, one OK button;
    // over the window where it came from, once that is on the screen.
    virtual void ShowErrorReport(QWidget* window, const QString& text) = 0;
    // A message box of the program's own, with one OK button; frame ticks go on behind it.
    virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                             MessageIcon icon, bool centreOnScreen) = 0;
    // The chosen full path, or nothing when the user cancels.
    virtual std::optional<QString> AskSaveFileName(QWidget* parent, const SaveDialogRequest& request) = 0;
    // The question the save dialog asks before it replaces an existing file.
    virtual bool ConfirmOverwrite(QWidget* parent, const QString& path) = 0;
};

} // namespace glintfall
