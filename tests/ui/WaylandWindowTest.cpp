// Runs beside a Weston nested in this X display (see tests/ui/with_weston) and starts the real
// program on it, natively or through Weston's XWayland. Weston places the window where it likes and
// tells nobody, so the test finds the canvas on the screen: a black square of 480 x 480 pixels. It
// then draws with the pointer, which xdotool moves over Weston's window, and checks the dots on the
// screen: every position of a stroke is recorded with its twin, all at one offset from the
// pointer, and a request to maximise the window leaves it as it was.

#include "RealProgram.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <vector>

// Test messages show places as numbers.
void PrintTo(const QPoint& point, std::ostream* out)
{
    *out << point.x() << "," << point.y();
}

namespace glintfall {
namespace {

constexpr int kCanvas = 480;
// The width of Weston's output, in its window at the X screen's top-left corner.
constexpr int kWestonWidth = 1024;

QImage Screen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

bool Black(const QImage& screen, int x, int y)
{
    return (screen.pixel(x, y) & 0xFFFFFF) == 0;
}

// The canvas's top-left corner: a black square just the canvas's size, edged by something else on
// the left, at the top, and right of its top row and below its left column (the window's border,
// the icon bar's edge). Dots inside it do not matter.
std::optional<QPoint> FindCanvas(const QImage& screen)
{
    for (int y = 1; y + kCanvas < screen.height(); ++y) {
        for (int x = 1; x + kCanvas < screen.width(); ++x) {
            if (!Black(screen, x, y) || Black(screen, x - 1, y) || Black(screen, x, y - 1)
                || Black(screen, x + kCanvas, y) || Black(screen, x, y + kCanvas))
                continue;
            bool edged = true;
            for (int k = 0; k < kCanvas && edged; ++k)
                edged = Black(screen, x + k, y) && Black(screen, x, y + k);
            if (edged)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

void MovePointer(QPoint to)
{
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y())});
    QTest::qWait(40);
}

// Weston follows the X pointer by its motion inside Weston's window: a pointer warped in from
// outside it comes in where it left.
void EnterWestonAt(QPoint to)
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    MovePointer({screen.width() - 1, screen.height() - 1});
    MovePointer(to);
    QTest::qWait(200);
}

// Drags by the title bar, as a user moves a window: the compositor moves it without a word to the
// program.
void Drag(QPoint from, QPoint by)
{
    MovePointer(from);
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 4; ++step)
        MovePointer(from + by * step / 4);
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
    QTest::qWait(300);
}

void Click(QPoint at)
{
    MovePointer(at);
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    QTest::qWait(300);
}

// Where a dot of the stroke lies on the canvas, for an offset from the pointer, and its colour and
// that of its twin there, if both are lit.
struct Pair {
    QRgb dot;
    QRgb twin;
};

std::optional<Pair> PairAt(const QImage& screen, QPoint canvas, QPoint dot)
{
    const QPoint twin(kCanvas - dot.x(), kCanvas - dot.y());
    const QRgb dotColour = screen.pixel(canvas + dot) & 0xFFFFFF;
    const QRgb twinColour = screen.pixel(canvas + twin) & 0xFFFFFF;
    if (dotColour == 0 || twinColour == 0)
        return std::nullopt;
    return Pair{dotColour, twinColour};
}

// The trail index whose colour, and whose successor's, the pair shows.
std::optional<int> IndexOf(const Pair& pair)
{
    for (int index = 0; index < 256; index += 2)
        if (IndexColour(index) == pair.dot && IndexColour(index + 1) == pair.twin)
            return index;
    return std::nullopt;
}

class WaylandWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("GLINTFALL_TEST_WAYLAND"))
            << "no Weston runs beside this test; run it through tests/ui/with_weston";
        m_xwayland = qEnvironmentVariable("GLINTFALL_TEST_XWAYLAND");
        // Natively, as in a Wayland session without XWayland: no X display to prefer.
        ASSERT_TRUE(program.Launch({{QStringLiteral("WAYLAND_DISPLAY"), qEnvironmentVariable("GLINTFALL_TEST_WAYLAND")},
                                    {QStringLiteral("DISPLAY"), m_xwayland}}));
        for (int i = 0; i < 100 && !canvas; ++i) {
            QTest::qWait(200);
            canvas = FindCanvas(Screen());
        }
        ASSERT_TRUE(canvas) << "the canvas never showed on Weston; the program said: "
                            << program.Errors().toStdString();
        QTest::qWait(300);
    }

    void TearDown() override
    {
        EXPECT_TRUE(program.Running()) << "the program ended; it said: " << program.Errors().toStdString();
        EXPECT_FALSE(program.Errors().contains(QStringLiteral("rotocol error")));
    }

    // On the canvas, at canvas coordinates.
    QPoint OnScreen(QPoint onCanvas) const { return *canvas + onCanvas; }

    // Weston goes on drawing its pointer where it last saw it, even once it has left Weston's
    // window: so it is put on Weston's desktop, beside the program's window, which is narrower
    // than half Weston's output.
    void MovePointerAside() const
    {
        MovePointer({canvas->x() > kWestonWidth / 2 ? 10 : kWestonWidth - 10, 400});
        QTest::qWait(200);
    }

    // Asks to maximise the window as a user would: with the maximise button of the title bar Qt
    // draws natively, and through the window manager's protocol (EWMH) under XWayland, whose
    // title bar Weston draws without such a button.
    void AskToMaximise()
    {
        if (m_xwayland.isEmpty()) {
            // Qt's title bar is 30 pixels high over a 3-pixel border; its maximise button is the
            // second from the right.
            Click(OnScreen({443, -15}));
            return;
        }
        const auto onXWayland = [this](const QString& tool, const QStringList& arguments) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DISPLAY"), m_xwayland);
            process.setProcessEnvironment(environment);
            process.start(tool, arguments);
            process.waitForFinished(10000);
            return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        };
        const QString window =
            onXWayland(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                                   QStringLiteral("^Glintfall$")})
                .split(u'\n')
                .constFirst();
        ASSERT_FALSE(window.isEmpty()) << "no window of the program's on XWayland";
        onXWayland(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), window, QStringLiteral("-b"),
                                              QStringLiteral("add,maximized_vert,maximized_horz")});
        QTest::qWait(500);
    }

    std::optional<QPoint> StrokeOffset(QPoint start);

    RealProgram program;
    std::optional<QPoint> canvas;

private:
    QString m_xwayland;
};

// Draws a short stroke from this canvas point and finds its dots on the screen: every position
// must have its pair, next in the trail after the one before. The offset of the dots from the
// pointer, or nothing where a position has no pair.
std::optional<QPoint> WaylandWindowTest::StrokeOffset(QPoint start)
{
    std::vector<QPoint> stroke;
    for (int step = 0; step < 15; ++step)
        stroke.push_back(start + QPoint(6 * step, 4 * step));
    // A pair at the first position first, so that the stroke's dots have indices whose colours show.
    MovePointer(OnScreen(start - QPoint(20, 20)));
    for (const QPoint position : stroke)
        MovePointer(OnScreen(position));
    MovePointerAside();
    const QImage screen = Screen();

    // The offset at which the most positions have a lit pair, among all a window's frame could give.
    QPoint offset;
    int mostFound = -1;
    for (int dy = -40; dy <= 40; ++dy) {
        for (int dx = -40; dx <= 40; ++dx) {
            int found = 0;
            for (const QPoint position : stroke)
                found += PairAt(screen, *canvas, position + QPoint(dx, dy)).has_value();
            if (found > mostFound) {
                mostFound = found;
                offset = {dx, dy};
            }
        }
    }
    std::cout << "dots lie at (" << offset.x() << ", " << offset.y() << ") from the pointer\n";
    std::optional<int> first;
    for (std::size_t i = 0; i < stroke.size(); ++i) {
        const QPoint dot = stroke[i] + offset;
        const std::optional<Pair> pair = PairAt(screen, *canvas, dot);
        const std::optional<int> index = pair ? IndexOf(*pair) : std::nullopt;
        if (!index) {
            ADD_FAILURE() << "no pair for position " << i << " (dot at " << dot.x() << "," << dot.y() << ")";
            return std::nullopt;
        }
        if (!first)
            first = *index;
        EXPECT_EQ(*index, (*first + 2 * static_cast<int>(i)) % 256) << "position " << i << " was not the next pair";
    }
    return offset;
}

// Wherever the compositor puts the window, first and after the user moved it.
TEST_F(WaylandWindowTest, aStrokeRecordsEveryPositionWithItsTwinAtOneOffset)
{
    EnterWestonAt(OnScreen({200, 40}));
    const std::optional<QPoint> offset = StrokeOffset({60, 80});
    ASSERT_TRUE(offset);
    const QPoint placed = *canvas;
    Drag(OnScreen({200, -12}), {-37, 23});
    MovePointerAside();
    canvas = FindCanvas(Screen());
    ASSERT_TRUE(canvas) << "the canvas is gone after the window was moved";
    EXPECT_EQ(*canvas - placed, QPoint(-37, 23)) << "the window did not move with the pointer";
    EXPECT_EQ(StrokeOffset({60, 200}), offset) << "the offset changed as the window moved";
}

TEST_F(WaylandWindowTest, aRequestToMaximiseLeavesTheWindowAsItWas)
{
    // A dialog shown and closed first: it once made the next maximise end the program.
    EnterWestonAt(OnScreen({200, 200}));
    Click(OnScreen({448, 496})); // the info button
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QTest::qWait(300);
    AskToMaximise();
    QTest::qWait(500);
    MovePointerAside();
    const std::optional<QPoint> after = FindCanvas(Screen());
    ASSERT_TRUE(after) << "the canvas is no longer a 480 x 480 square";
    ASSERT_TRUE(program.Running());
}

} // namespace
} // namespace glintfall
