// Runs on an X display of its own (see CMakeLists.txt): moves the pointer the ways X allows and
// checks when its position is read again.

#include "GlobalCursor.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRasterWindow>
#include <QTest>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <memory>

namespace glintfall {
namespace {

using namespace std::chrono_literals;

// Moves the pointer as a pointing device does, which the server reports as raw motion.
void MoveByDevice(QPoint by)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(by.x()),
                       QString::number(by.y())});
    QTest::qWait(100);
}

// Moves the pointer as a program that warps it does: no raw motion, only the motion events of
// the windows it leaves and enters.
void Warp(QPoint to)
{
    auto* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_warp_pointer(connection, XCB_NONE, root, 0, 0, 0, 0, static_cast<std::int16_t>(to.x()),
                     static_cast<std::int16_t>(to.y()));
    xcb_flush(connection);
    QTest::qWait(100);
}

TEST(GlobalCursorTest, stillPointerIsNotReadAgain)
{
    GlobalCursor cursor(1h);
    ASSERT_TRUE(cursor.WatchesMotion());
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    Warp({300, 320}); // over no window of the program's
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120)) << "the pointer was read again without news of motion";
}

TEST(GlobalCursorTest, motionAnywhereByADeviceIsReadAtOnce)
{
    GlobalCursor cursor(1h);
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    MoveByDevice({40, 50});
    EXPECT_EQ(cursor.Pos(), QPoint(140, 170));
}

TEST(GlobalCursorTest, aWatchEndingLeavesTheOthersWatching)
{
    GlobalCursor cursor(1h);
    std::make_unique<GlobalCursor>()->Pos();
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    MoveByDevice({40, 50});
    EXPECT_EQ(cursor.Pos(), QPoint(140, 170));
}

TEST(GlobalCursorTest, motionOverTheProgramsWindowIsReadAtOnce)
{
    QRasterWindow window;
    window.setGeometry(500, 500, 200, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    GlobalCursor cursor(1h);
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    Warp({550, 560});
    EXPECT_EQ(cursor.Pos(), QPoint(550, 560));
    Warp({560, 570});
    EXPECT_EQ(cursor.Pos(), QPoint(560, 570));
}

TEST(GlobalCursorTest, aReadingIsTrustedOnlySoLong)
{
    GlobalCursor cursor(50ms);
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    Warp({300, 320});
    EXPECT_EQ(cursor.Pos(), QPoint(300, 320));
}

} // namespace
} // namespace glintfall
