#pragma once

#include <QString>

class QWidget;

namespace glintfall {

class Dialogs;

// The save-file dialog component: it keeps its settings and the last file name for the life of
// the window, and asks the user through the dialogs seam.
class TSavePictureDialog {
public:
    explicit TSavePictureDialog(Dialogs& dialogs);

    // Runs the dialog; on success FileName holds the chosen full path. A cancel changes nothing.
    bool Execute(QWidget* parent);

    // One entry whose visible text is "*..bmp" and whose pattern is "*.bmp".
    QString Filter = QStringLiteral("*..bmp (*.bmp)");
    QString FileName;

private:
    Dialogs& m_dialogs;
};

} // namespace glintfall
