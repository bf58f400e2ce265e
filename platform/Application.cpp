#include "Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

#include <cstring>

namespace glintfall {

namespace {

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
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
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
