// Starts the real program on the X display this test runs under, moves the pointer with xdotool
// and checks the screen: the recorded dots must sit where the window's outer rectangle and the
// fixed offsets put them, mirrored through the canvas centre, in the colours of their indices.

#include "RealProgram.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using glintfall::IndexColour;

QString RunTool(const QStringList& arguments)
{
    return glintfall::RunTool(QStringLiteral("xdotool"), arguments);
}

class RealWindowTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        RunTool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});
        ASSERT_TRUE(program.Start({{QStringLiteral("QT_SCALE_FACTOR"), QString::number(GetParam())}}));
        window = program.window;
        QTest::qWait(300); // the first frames
    }

    QRect WindowGeometry()
    {
        QRect geometry;
        const QStringList lines =
            RunTool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(u'\n');
        for (const QString& line : lines) {
            const QStringList pair = line.split(u'=');
            const int value = pair.value(1).toInt();
            if (pair[0] == QLatin1String("X"))
                geometry.moveLeft(value);
            else if (pair[0] == QLatin1String("Y"))
                geometry.moveTop(value);
            else if (pair[0] == QLatin1String("WIDTH"))
                geometry.setWidth(value);
            else if (pair[0] == QLatin1String("HEIGHT"))
                geometry.setHeight(value);
        }
        return geometry;
    }

    // Puts the pointer where, in the program's own units, it is at (rx, ry) from the window's
    // outer top-left corner.
    void PointAt(const QRect& outer, int rx, int ry)
    {
        const int scale = GetParam();
        RunTool({QStringLiteral("mousemove"), QString::number(outer.left() + rx * scale),
                 QString::number(outer.top() + ry * scale)});
        QTest::qWait(150);
    }

    void Click()
    {
        RunTool({QStringLiteral("click"), QStringLiteral("1")});
        QTest::qWait(150);
    }

    // The screen's colour at canvas pixel (x, y), as the device pixel at its top-left shows it.
    // Without a window manager the canvas starts at the window's outer corner.
    QRgb CanvasPixel(const QRect& outer, int x, int y)
    {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const int scale = GetParam();
        return screen.pixel(outer.left() + x * scale, outer.top() + y * scale) & 0xFFFFFF;
    }

    glintfall::RealProgram program;
    QString window;
};

TEST_P(RealWindowTest, recordedDotsAppearWhereTheOffsetsPutThem)
{
    const int scale = GetParam();
    const QRect outer = WindowGeometry();
    ASSERT_EQ(outer.size(), QSize(480, 513) * scale);
    const QSize desktop = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(outer.topLeft(), QPoint(std::max(0, (desktop.width() - outer.width()) / 2),
                                      std::max(0, (desktop.height() - outer.height()) / 2)));

    // Two pairs at a still cursor (indices 0 to 3), then one pair at the next position (4 and 5).
    PointAt(outer, 102, 76);
    PointAt(outer, 202, 146);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const auto at = [&](int x, int y, int dx = 0, int dy = 0) {
        return screen.pixel(outer.left() + x * scale + dx, outer.top() + y * scale + dy) & 0xFFFFFF;
    };
    const struct {
        int x, y, index;
    } dots[] = {{100, 50, 2}, {380, 430, 3}, {200, 120, 4}, {280, 360, 5}};
    for (const auto& dot : dots) {
        // Every device pixel of the dot has its colour: no smoothing at any scale.
        for (int d = 0; d < scale * scale; ++d)
            EXPECT_EQ(at(dot.x, dot.y, d % scale, d / scale), IndexColour(dot.index))
                << "dot " << dot.index << " at " << dot.x << "," << dot.y;
        EXPECT_EQ(at(dot.x + 1, dot.y), 0u);
        EXPECT_EQ(at(dot.x, dot.y - 1), 0u);
    }
    for (const int buttonLeft : {1, 31, 61, 91, 433})
        EXPECT_NE(at(buttonLeft + 15, 481 + 15), 0u) << "button at " << buttonLeft;
}

TEST_P(RealWindowTest, aClickOnTheCanvasPausesAndResumesRecording)
{
    const QRect outer = WindowGeometry();
    PointAt(outer, 102, 76); // two pairs, indices 0 to 3
    Click();
    PointAt(outer, 202, 146);
    EXPECT_EQ(CanvasPixel(outer, 200, 120), 0u) << "a dot was recorded while recording was paused";
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval()); // two clicks, not a double click
    Click();
    EXPECT_EQ(CanvasPixel(outer, 200, 120), IndexColour(4));
    EXPECT_EQ(CanvasPixel(outer, 280, 360), IndexColour(5));
}

INSTANTIATE_TEST_SUITE_P(Scales, RealWindowTest, ::testing::Values(1, 2));

} // namespace
