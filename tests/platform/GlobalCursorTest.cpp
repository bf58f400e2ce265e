// Runs on an X display of its own (see CMakeLists.txt): moves the pointer the ways X allows and
// checks when its position is read again.

#include "GlobalCursor.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
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

// Stands in for a window manager, on a connection of its own: a frame window around the
// program's window, which sits at (10, 30) inside it.
class Frame {
public:
    Frame(QWidget& window, QRect outer)
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_window(static_cast<xcb_window_t>(window.winId()))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_frame = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_frame, m_root, static_cast<std::int16_t>(outer.x()),
                          static_cast<std::int16_t>(outer.y()), static_cast<std::uint16_t>(outer.width()),
                          static_cast<std::uint16_t>(outer.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, m_frame);
        xcb_reparent_window(m_connection, m_window, m_frame, 10, 30);
        xcb_flush(m_connection);
        QTest::qWait(100);
    }

    ~Frame()
    {
        xcb_reparent_window(m_connection, m_window, m_root, 0, 0);
        xcb_destroy_window(m_connection, m_frame);
        xcb_disconnect(m_connection);
        QTest::qWait(100);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window;
    xcb_window_t m_root = 0;
    xcb_window_t m_frame = 0;
};

struct GlobalCursorTest : ::testing::Test {
    GlobalCursorTest()
    {
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.setGeometry(500, 500, 200, 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
};

TEST_F(GlobalCursorTest, stillPointerIsNotReadAgain)
{
    GlobalCursor cursor(1h);
    cursor.Watch(window);
    ASSERT_TRUE(cursor.WatchesMotion());
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    Warp({300, 320}); // over no window of the program's
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120)) << "the pointer was read again without news of motion";
}

TEST_F(GlobalCursorTest, motionOverTheWatchedWindowIsNewsAndReadAtOnce)
{
    GlobalCursor cursor(1h);
    cursor.Watch(window);
    const QSignalSpy moved(&cursor, &GlobalCursor::Moved);
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    for (const QPoint to : {QPoint(550, 560), QPoint(560, 570)}) {
        Warp(to);
        EXPECT_EQ(cursor.Pos(), to);
    }
    EXPECT_GE(moved.count(), 2);
}

// On the frame a manager draws, the program hears of no motion but the raw motion it asks for
// there; elsewhere it asks for none, so a pointer moving over other programs never wakes it.
TEST_F(GlobalCursorTest, motionOnTheFrameIsNewsAndMotionElsewhereIsNot)
{
    GlobalCursor cursor(1h);
    cursor.Watch(window);
    std::unique_ptr<GlobalCursor> secondWatch = std::make_unique<GlobalCursor>(1h);
    secondWatch->Watch(window);
    const Frame frame(window, {490, 470, 220, 240});
    Warp({495, 480}); // onto the frame's title bar
    EXPECT_EQ(cursor.Pos(), QPoint(495, 480));
    secondWatch.reset(); // the raw motion both asked for stays asked for
    const QSignalSpy moved(&cursor, &GlobalCursor::Moved);
    MoveByDevice({10, 5});
    EXPECT_EQ(cursor.Pos(), QPoint(505, 485)) << "motion on the frame went unheard";
    EXPECT_GE(moved.count(), 1);
    Warp({600, 480}); // a warp makes no raw motion: the frame is looked at now and then
    EXPECT_EQ(cursor.Pos(), QPoint(600, 480));
    MoveByDevice({-295, 5}); // off the frame: the crossing is news
    EXPECT_EQ(cursor.Pos(), QPoint(305, 485));
    const int movesBefore = moved.count();
    MoveByDevice({-50, 40});
    EXPECT_EQ(moved.count(), movesBefore) << "motion elsewhere was news";
    EXPECT_EQ(cursor.Pos(), QPoint(305, 485));
}

TEST_F(GlobalCursorTest, aReadingIsTrustedOnlySoLong)
{
    GlobalCursor cursor(50ms);
    cursor.Watch(window);
    Warp({100, 120});
    EXPECT_EQ(cursor.Pos(), QPoint(100, 120));
    Warp({300, 320});
    EXPECT_EQ(cursor.Pos(), QPoint(300, 320));
}

} // namespace
} // namespace glintfall
