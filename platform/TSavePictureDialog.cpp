#include "TSavePictureDialog.h"

#include "Dialogs.h"

namespace glintfall {

TSavePictureDialog::TSavePictureDialog(Dialogs& dialogs)
    : m_dialogs(dialogs)
{
}

bool TSavePictureDialog::Execute(QWidget* parent)
{
    const std::optional<QString> chosen = m_dialogs.AskSaveFileName(parent, {Filter, FileName});
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

} // namespace glintfall
