#include <QApplication>

#include <gtest/gtest.h>

#include "Application.h"

// Widget tests run without a display unless a platform was chosen for them.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    glintfall::ApplyPlatformDefaults(application);
    QApplication::setApplicationName(QStringLiteral("Glintfall"));
    return RUN_ALL_TESTS();
}
