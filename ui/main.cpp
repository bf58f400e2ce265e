#include "Application.h"
#include "QtDialogs.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "Unit1.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace glintfall;

namespace {

constexpr char kUsage[] =
    "Usage: glintfall [--help | --version] [Qt options]\n"
    "A drawing toy: move the mouse over the black canvas and it leaves a trail of dots, each with a\n"
    "twin mirrored through the centre. Click to pause or resume; the wheel and the keys step the\n"
    "colours; the buttons draw a new colour pattern, clear, save a BMP picture and let the colours\n"
    "flow. Qt's options, such as -platform and -style, are accepted.\n"
    "More in its manual page: man glintfall\n";
constexpr char kVersion[] = "glintfall " GLINTFALL_VERSION "\n";

// The answer to one of the program's own options, if one is given. They are looked for by hand,
// before Qt starts, so that they need no display: QCommandLineParser wants an application object
// for its usage line, and would take Qt's own options (-platform xcb, -reverse) for bundles of its
// short options or for errors. Every other argument is left to Qt, which ignores what it does not
// know.
const char* AnswerToOwnOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return kUsage;
        if (argument == "--version")
            return kVersion;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (const char* answer = AnswerToOwnOption(argc, argv)) {
        std::fputs(answer, stdout);
        return EXIT_SUCCESS;
    }
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
