#include <QApplication>

#include <gtest/gtest.h>

// The platform tests that need a real X display: the one xvfb-run gives them.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
