#pragma once

#include "Dialogs.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <queue>

namespace glintfall {

// Answers every dialog at once and remembers what was asked. A test may also run something while
// a message box is "open", as the event loop would.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        QString caption;
        QString text;
        MessageIcon icon;
        bool centredOnScreen;
    };

    void ShowErrorReport(QWidget*, const QString& text) override
    {
        errorReports << text;
        if (whileOpen)
            whileOpen();
    }
    void ShowMessage(QWidget*, const QString& caption, const QString& text, MessageIcon icon,
                     bool centreOnScreen) override
    {
        messages.push_back({caption, text, icon, centreOnScreen});
        if (whileOpen)
            whileOpen();
    }
    std::optional<QString> AskSaveFileName(QWidget*, const SaveDialogRequest& request) override
    {
        saveRequests.push_back(request);
        if (whileOpen)
            whileOpen();
        if (saveAnswers.empty())
            return std::nullopt;
        const std::optional<QString> answer = saveAnswers.front();
        saveAnswers.pop();
        return answer;
    }
    bool ConfirmOverwrite(QWidget*, const QString& path) override
    {
        overwriteQuestions << path;
        return acceptOverwrite;
    }

    QStringList errorReports;
    std::vector<Message> messages;
    std::vector<SaveDialogRequest> saveRequests;
    std::queue<std::optional<QString>> saveAnswers;
    QStringList overwriteQuestions;
    bool acceptOverwrite = true;
    std::function<void()> whileOpen;
};

} // namespace glintfall
