#include "Application.h"

#include <QApplication>
#include <QProxyStyle>

#include <cstring>

namespace glintfall {

namespace {

// Tooltips show after the pointer has rested 500 ms; the widgets say how long they stay.
class ToolTipTimingStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !PlatformChosenOnCommandLine(argc, argv))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

void ApplyPlatformDefaults(QApplication& application)
{
    application.setStyle(new ToolTipTimingStyle);
}

} // namespace glintfall
