// Starts the real program under the window manager that tests/ui/with_openbox started on this X
// display, and checks what the frame changes: the outer rectangle, frame included, is centred on
// the desktop, and dots are recorded from that framed rectangle. Under a reparenting window
// manager xdotool reports positions wrongly; xwininfo gives the client's absolute position and
// xprop the frame's extents.

#include "RealProgram.h"

#include <QGuiApplication>
#include <QImage>
#include <QMargins>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace glintfall {
namespace {

class FramedWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(RunTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                         .contains(QStringLiteral("not found")))
            << "no window manager runs on this display; run the test through tests/ui/with_openbox";
        MovePointer({0, 0});
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(WaitUntilSettled()) << "the window has no frame, or keeps moving";
    }

    // The client area's absolute position and size.
    QRect ClientRect() const
    {
        const QString info = RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), program.window});
        const auto field = [&](const char* name) {
            const QRegularExpression line(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
            return line.match(info).captured(1).toInt();
        };
        return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")};
    }

    // _NET_FRAME_EXTENTS: left, right, top, bottom; null until the window manager has framed it.
    QMargins FrameExtents() const
    {
        const QString property =
            RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), program.window, QStringLiteral("_NET_FRAME_EXTENTS")});
        const QStringList values = property.section(u'=', 1).split(u',');
        if (values.size() != 4)
            return {};
        return {values[0].toInt(), values[2].toInt(), values[1].toInt(), values[3].toInt()};
    }

    QRect OuterRect() const { return ClientRect().marginsAdded(FrameExtents()); }

    // Waits until the window is framed and has stayed where it is for a while.
    bool WaitUntilSettled()
    {
        QRect last;
        int stable = 0;
        for (int i = 0; i < 100 && stable < 3; ++i) {
            QTest::qWait(100);
            const QRect outer = FrameExtents().isNull() ? QRect() : OuterRect();
            stable = outer.isValid() && outer == last ? stable + 1 : 0;
            last = outer;
        }
        return stable >= 3;
    }

    static void MovePointer(QPoint position)
    {
        RunTool(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QString::number(position.x()), QString::number(position.y())});
        QTest::qWait(150);
    }

    RealProgram program;
};

TEST_F(FramedWindowTest, outerRectangleIsCentredFrameIncluded)
{
    const QMargins frame = FrameExtents();
    const QRect outer = OuterRect();
    std::cout << "frame extents (left, right, top, bottom): " << frame.left() << ", " << frame.right() << ", "
              << frame.top() << ", " << frame.bottom() << "; outer rectangle: " << outer.width() << "x"
              << outer.height() << " at " << outer.left() << "," << outer.top() << "\n";
    ASSERT_GT(frame.top(), 0) << "a frame without a title bar would not tell a framed placement from another";
    EXPECT_EQ(outer.size(), QSize(480, 513).grownBy(frame));
    const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
    EXPECT_EQ(outer.left(), std::max(0, (desktop.width() - outer.width()) / 2));
    EXPECT_EQ(outer.top(), std::max(0, (desktop.height() - outer.height()) / 2));
}

TEST_F(FramedWindowTest, dotsAreRecordedFromTheFramedRectangle)
{
    const QRect client = ClientRect();
    const QRect outer = OuterRect();
    // Two pairs at a still pointer (indices 0 to 3), then one pair at the next position (4 and 5).
    const struct {
        QPoint inClient;
        int index;
    } positions[] = {{{100, 50}, 2}, {{200, 120}, 4}};
    for (const auto& position : positions)
        MovePointer(client.topLeft() + position.inClient);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    for (const auto& position : positions) {
        const QPoint cursor = client.topLeft() + position.inClient;
        const QPoint dot(cursor.x() - outer.left() - 2, cursor.y() - outer.top() - 26);
        const QPoint mirror(480 - dot.x(), 480 - dot.y());
        for (const auto& [onCanvas, index] : {std::pair{dot, position.index}, std::pair{mirror, position.index + 1}}) {
            const QPoint onScreen = client.topLeft() + onCanvas;
            EXPECT_EQ(screen.pixel(onScreen) & 0xFFFFFF, IndexColour(index))
                << "dot " << index << " at " << onCanvas.x() << "," << onCanvas.y();
            EXPECT_EQ(screen.pixel(onScreen + QPoint(1, 0)) & 0xFFFFFF, 0u) << "right of dot " << index;
        }
    }
}

} // namespace
} // namespace glintfall

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
