// Runs on an X display of its own without a window manager (see CMakeLists.txt), where nothing
// frames a window and nothing stops another program from resizing or moving it. The frames of the
// major managers are tested on the real program in tests/ui/FramedWindowTest.cpp.

#include "FrameStandIn.h"
#include "WindowFrame.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <iostream>

// Test messages show places as numbers.
void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.width() << "x" << rect.height() << " at " << rect.left() << "," << rect.top();
}

namespace glintfall {
namespace {

xcb_connection_t* Connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// What another program asks of the window; with no manager, the X server does it at once.
void Configure(const QWidget& window, std::uint16_t mask, std::initializer_list<std::uint32_t> values)
{
    xcb_configure_window(Connection(), static_cast<xcb_window_t>(window.winId()), mask, std::data(values));
    xcb_flush(Connection());
}

QSize ServerSize(const QWidget& window)
{
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), static_cast<xcb_window_t>(window.winId())),
                               nullptr),
        &std::free);
    return {geometry->width, geometry->height};
}

class WindowFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.setFixedSize(480, 513);
        frame.KeepFixedDialogFrame();
        frame.Place([](QSize outer) { return QPoint(300 - outer.width() / 2, 40); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    WindowFrame& frame = WindowFrame::Of(window);
};

// A window placed by nothing but the stand-ins for managers below.
class StandInFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.setFixedSize(480, 513);
        window.move(60, 40);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    WindowFrame& frame = WindowFrame::Of(window);
};

TEST_F(WindowFrameTest, withoutAManagerTheOuterRectangleIsTheClientArea)
{
    EXPECT_EQ(&WindowFrame::Of(window), &frame);
    EXPECT_EQ(frame.OuterRect(), QRect(60, 40, 480, 513));
}

TEST_F(WindowFrameTest, aMoveTellsOfTheNewOuterRectangle)
{
    QSignalSpy changes(&frame, &WindowFrame::OuterRectChanged);
    Configure(window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, {200, 100});
    ASSERT_TRUE(changes.wait(2000));
    EXPECT_EQ(changes.constLast().constFirst().toRect(), QRect(200, 100, 480, 513));
}

// A manager that puts the window elsewhere than asked, in a frame that reports no extents and tells
// the client nothing: the window is where the server has it, and its frame is the window the
// manager wrapped it in, less the see-through edges of a shadow drawn around that.
TEST_F(StandInFrameTest, withoutExtentsTheFrameIsTheWindowAroundIt)
{
    FrameStandIn standIn(window, {700, 300, 500, 560});
    EXPECT_EQ(frame.OuterRect(), QRect(700, 300, 500, 560));
    QSignalSpy changes(&frame, &WindowFrame::OuterRectChanged);
    standIn.MoveTo({650, 320});
    EXPECT_EQ(frame.OuterRect(), QRect(650, 320, 500, 560));
    EXPECT_GE(changes.count(), 1);
}

TEST_F(StandInFrameTest, aSeeThroughShadowIsNoPartOfTheFrame)
{
    FrameStandIn standIn(window, {700, 300, 500, 560}, 8);
    EXPECT_EQ(frame.OuterRect(), QRect(708, 308, 484, 544));
}

// A manager may map its frame before it gives it its size (KWin: 1 x 1 at the screen's corner):
// the window is placed only once it is shown whole.
TEST_F(StandInFrameTest, theWindowIsPlacedOnceShownWhole)
{
    EXPECT_TRUE(frame.Placed());
    FrameStandIn standIn(window, {0, 0, 1, 1});
    EXPECT_FALSE(frame.Placed());
    standIn.Resize({500, 560});
    EXPECT_TRUE(frame.Placed());
}

TEST_F(WindowFrameTest, theFixedSizeComesBackWhereverAResizeComesFrom)
{
    Configure(window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, {640, 600});
    ASSERT_EQ(ServerSize(window), QSize(640, 600));
    for (int i = 0; i < 40 && ServerSize(window) != QSize(480, 513); ++i)
        QTest::qWait(50);
    EXPECT_EQ(ServerSize(window), QSize(480, 513));
    QTest::qWait(100);
    EXPECT_EQ(window.geometry(), QRect(60, 40, 480, 513));
    EXPECT_EQ(frame.OuterRect(), QRect(60, 40, 480, 513));
}

} // namespace
} // namespace glintfall
