#pragma once

#include "Dialogs.h"

namespace glintfall {

// The dialogs as Qt shows them.
class QtDialogs : public Dialogs {
public:
    void ShowErrorReport(const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                     bool centreOnScreen) override;
    std::optional<QString> AskSaveFileName(QWidget* parent, const SaveDialogRequest& request) override;
    bool ConfirmOverwrite(QWidget* parent, const QString& path) override;
};

} // namespace glintfall
