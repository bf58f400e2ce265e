#include "Application.h"

#include "wayland/QtWayland.h"
#include "x11/XcbHelpers.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

#include <cstring>

namespace glintfall {

namespace {

// The platforms Qt tries, in order, when the user chose none.
constexpr char kX11ThenWayland[] = "xcb;wayland";

// Tooltips show after the pointer has rested 500 ms; the widgets say how long they stay. Everything
// else is left to the style underneath.
class ToolTipTimingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Qt's own texts (the save dialog, its question before replacing a file, the standard buttons) in
// the desktop's language; the program's own texts are never translated. Without a catalogue for
// the language, Qt's texts stay English.
void InstallQtTranslations(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

bool PlatformChosenOnCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}

} // namespace

void PrepareQtPlatform(int argc, char** argv)
{
    // Qt tries the platforms in order: X11 first, native Wayland when no X server can be reached.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !PlatformChosenOnCommandLine(argc, argv))
        qputenv("QT_QPA_PLATFORM", kX11ThenWayland);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

std::optional<std::string> MissingDisplay()
{
    if (qgetenv("QT_QPA_PLATFORM") != kX11ThenWayland || xcb::ServerReachable() || wayland::CompositorReachable())
        return std::nullopt;
    const std::string waylandSocket = wayland::SocketPath();
    const std::string display = qgetenv("DISPLAY").toStdString();
    const std::string x11 = display.empty() ? "DISPLAY is not set" : "the X display " + display + " cannot be opened";
    const std::string wayland = waylandSocket.empty() ? "XDG_RUNTIME_DIR, where Wayland compositors listen, is not set"
                                                      : "no Wayland compositor listens at " + waylandSocket;
    return "cannot open a display: " + x11 + ", and " + wayland
           + "; start it in a desktop session, or on a virtual X display with xvfb-run";
}

void ApplyPlatformDefaults(QApplication& application)
{
    InstallQtTranslations(application);
    // Wraps the style in use, which is the one the user chose with -style or QT_STYLE_OVERRIDE, if
    // any. The proxy makes its own instance of it by name, since setStyle deletes the style it
    // replaces.
    application.setStyle(new ToolTipTimingStyle(QApplication::style()->name()));
}

} // namespace glintfall
