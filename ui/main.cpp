#include "Application.h"
#include "QtDialogs.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "Unit1.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

using namespace glintfall;

int main(int argc, char** argv)
{
    // The scene outlives the window, so the trail is released last.
    Scene scene(QtFrameHost::ClockNow());
    PrepareQtPlatform(argc, argv);
    if (const std::optional<std::string> missing = MissingDisplay()) {
        std::fprintf(stderr, "glintfall: %s\n", missing->c_str());
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    ApplyPlatformDefaults(application);
    QApplication::setApplicationName(QStringLiteral("Glintfall"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/glintfall.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral(GLINTFALL_APP_ID));

    QtDialogs dialogs;
    TForm1 Form1(scene, dialogs);
    Form1.show();
    return QApplication::exec();
}
