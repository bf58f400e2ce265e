#include <QGuiApplication>

#include <gtest/gtest.h>

// The tests that start the real program look at it on an X display: the one xvfb-run gives them,
// with a window manager or a nested Weston on it.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    // Every step a window takes counts, so Qt must not merge the events that tell of them.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    return RUN_ALL_TESTS();
}
