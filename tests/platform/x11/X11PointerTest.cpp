// Runs on an X display of its own (see CMakeLists.txt): moves the pointer the ways X allows and
// checks when its position is read again.

#include "FrameStandIn.h"
#include "x11/X11Pointer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <memory>

namespace glintfall {
namespace {

using namespace std::chrono_literals;

// Moves the pointer as a pointing device does, which the server reports as raw motion to those
// who ask for it.
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

struct X11PointerTest : ::testing::Test {
    X11PointerTest()
    {
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.setGeometry(500, 500, 200, 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A watch of the window whose news of motion is counted in `moves`.
    std::unique_ptr<X11Pointer> Watch(X11Pointer::Clock::duration longestTrust)
    {
        auto pointer = X11Pointer::Create(window, [this] { ++moves; }, longestTrust);
        EXPECT_NE(pointer, nullptr) << "the X server has no input extension";
        return pointer;
    }

    QWidget window;
    int moves = 0;
};

TEST_F(X11PointerTest, stillPointerIsNotReadAgain)
{
    const auto cursor = Watch(1h);
    ASSERT_NE(cursor, nullptr);
    Warp({100, 120});
    EXPECT_EQ(cursor->Pos(), QPoint(100, 120));
    Warp({300, 320}); // over no window of the program's
    EXPECT_EQ(cursor->Pos(), QPoint(100, 120)) << "the pointer was read again without news of motion";
}

TEST_F(X11PointerTest, motionOverTheWatchedWindowIsNewsAndReadAtOnce)
{
    const auto cursor = Watch(1h);
    ASSERT_NE(cursor, nullptr);
    Warp({100, 120});
    EXPECT_EQ(cursor->Pos(), QPoint(100, 120));
    moves = 0;
    for (const QPoint to : {QPoint(550, 560), QPoint(560, 570)}) {
        Warp(to);
        EXPECT_EQ(cursor->Pos(), to);
    }
    EXPECT_GE(moves, 2);
}

// On the frame a manager draws, the program hears of no motion but the raw motion it asks for
// there; elsewhere it asks for none, so a pointer moving over other programs never wakes it.
TEST_F(X11PointerTest, motionOnTheFrameIsNewsAndMotionElsewhereIsNot)
{
    const auto cursor = Watch(1h);
    ASSERT_NE(cursor, nullptr);
    auto secondWatch = Watch(1h);
    const FrameStandIn frame(window, {490, 470, 220, 240});
    Warp({495, 480}); // onto the frame's title bar
    EXPECT_EQ(cursor->Pos(), QPoint(495, 480));
    secondWatch.reset(); // the raw motion both asked for stays asked for
    moves = 0;
    MoveByDevice({10, 5});
    EXPECT_EQ(cursor->Pos(), QPoint(505, 485)) << "motion on the frame went unheard";
    EXPECT_GE(moves, 1);
    Warp({600, 480}); // a warp makes no raw motion: the frame is looked at now and then
    EXPECT_EQ(cursor->Pos(), QPoint(600, 480));
    MoveByDevice({-295, 5}); // off the frame: the crossing is news
    EXPECT_EQ(cursor->Pos(), QPoint(305, 485));
    const int movesBefore = moves;
    MoveByDevice({-50, 40});
    EXPECT_EQ(moves, movesBefore) << "motion elsewhere was news";
    EXPECT_EQ(cursor->Pos(), QPoint(305, 485));
}

TEST_F(X11PointerTest, aReadingIsTrustedOnlySoLong)
{
    const auto cursor = Watch(50ms);
    ASSERT_NE(cursor, nullptr);
    Warp({100, 120});
    EXPECT_EQ(cursor->Pos(), QPoint(100, 120));
    Warp({300, 320});
    EXPECT_EQ(cursor->Pos(), QPoint(300, 320));
}

} // namespace
} // namespace glintfall
