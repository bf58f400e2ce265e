// Runs beside a Wayland compositor nested in this X display (see tests/ui/with_compositor) and
// starts the real program on it, natively or through the compositor's XWayland. The compositor
// places the window where it likes and tells nobody, so the test finds the canvas on the screen: a
// black square of 480 x 480 of the output's pixels at its scale. It then draws with the pointer,
// which xdotool moves over the compositor's window, and checks the dots on the screen: every
// position of a stroke is recorded with its twin, all at one offset from the pointer, close to it,
// positions over the title bar are recorded too, and a request to maximise the window leaves it as
// it was.

#include "Strokes.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
// Every title bar of ordinary height puts the dots this close to the pointer, by the fixed offsets
// from the outer rectangle's corner.
constexpr int kNearPointer = 12;

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
std::optional<QPoint> FindCanvas(const QImage& screen, int side)
{
    for (int y = 1; y + side < screen.height(); ++y) {
        for (int x = 1; x + side < screen.width(); ++x) {
            if (!Black(screen, x, y) || Black(screen, x - 1, y) || Black(screen, x, y - 1)
                || Black(screen, x + side, y) || Black(screen, x, y + side))
                continue;
            bool edged = true;
            for (int k = 0; k < side && edged; ++k)
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

// A nested compositor follows the X pointer by its motion inside the compositor's window: a pointer
// warped in from outside it comes in where it left.
void EnterCompositorAt(QPoint to)
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

// The output the program starts on, as tests/ui/with_compositor shows it on the X screen.
struct Output {
    QRect onScreen;
    int scale = 1;
};

Output OutputFromEnvironment()
{
    const QStringList values = qEnvironmentVariable("GLINTFALL_TEST_OUTPUT").split(u' ');
    if (values.size() != 5)
        return {};
    return {QRect(values[0].toInt(), values[1].toInt(), values[2].toInt(), values[3].toInt()), values[4].toInt()};
}

// A stroke's dots: the offset of each from the pointer, in the program's pixels, and the trail
// indices of the first and last pair.
struct Stroke {
    QPoint offset;
    int first = 0;
    int last = 0;
};

class WaylandWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("GLINTFALL_TEST_WAYLAND"))
            << "no compositor runs beside this test; run it through tests/ui/with_compositor";
        m_xwayland = qEnvironmentVariable("GLINTFALL_TEST_XWAYLAND");
        output = OutputFromEnvironment();
        ASSERT_FALSE(output.onScreen.isEmpty()) << "GLINTFALL_TEST_OUTPUT names no output";
        // The compositor puts a new window on the output the pointer is on. Some nested compositors
        // (mutter) follow the X pointer's motion only once a button was pressed in their window:
        // there, on the desktop.
        EnterCompositorAt(output.onScreen.center());
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
        // Natively, as in a Wayland session without XWayland: no X display to prefer.
        ASSERT_TRUE(program.Launch({{QStringLiteral("WAYLAND_DISPLAY"), qEnvironmentVariable("GLINTFALL_TEST_WAYLAND")},
                                    {QStringLiteral("DISPLAY"), m_xwayland}}));
        // Out of the way of the window, wherever it comes: the compositor draws its pointer.
        MovePointer(output.onScreen.bottomLeft() + QPoint(5, -5));
        ASSERT_TRUE(FindCanvasWhereItStays()) << "the canvas never showed at one place; the program said: "
                                              << program.Errors().toStdString();
    }

    void TearDown() override
    {
        EXPECT_TRUE(program.Running()) << "the program ended; it said: " << program.Errors().toStdString();
        EXPECT_FALSE(program.Errors().contains(QStringLiteral("rotocol error")));
    }

    // Found twice at one place: a compositor may show a window growing into place.
    bool FindCanvasWhereItStays()
    {
        std::optional<QPoint> last;
        for (int i = 0; i < 100; ++i) {
            QTest::qWait(200);
            const std::optional<QPoint> found = FindCanvas(Screen(), kCanvas * output.scale);
            if (found && found == last) {
                canvas = {*found, output.scale};
                return true;
            }
            last = found;
        }
        return false;
    }

    QPoint OnScreen(QPoint onCanvas) const { return canvas.ToScreen(onCanvas); }

    // A compositor goes on drawing its pointer where it last saw it, even once it has left the
    // compositor's window: so it is put on the output, beside the program's window, which is
    // narrower than half the output.
    void MovePointerAside() const
    {
        const QRect area = output.onScreen;
        MovePointer({canvas.topLeft.x() > area.center().x() ? area.left() + 10 : area.right() - 10,
                     area.top() + area.height() / 2});
        QTest::qWait(200);
    }

    // Asks to maximise the window as a user would: with the maximise button of the title bar Qt
    // draws natively, and through the window manager's protocol (EWMH) under XWayland, whose
    // title bar weston draws without such a button.
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

    std::optional<Stroke> DrawStroke(QPoint start);

    RealProgram program;
    CanvasOnScreen canvas;
    Output output;

private:
    QString m_xwayland;
};

// Draws a short stroke from this canvas point and finds its dots on the screen: every position
// must have its pair, next in the trail after the one before. Nothing where a position has no pair.
std::optional<Stroke> WaylandWindowTest::DrawStroke(QPoint start)
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
                found += PairAt(screen, canvas, position + QPoint(dx, dy)).has_value();
            if (found > mostFound) {
                mostFound = found;
                offset = {dx, dy};
            }
        }
    }
    std::cout << "dots lie at (" << offset.x() << ", " << offset.y() << ") from the pointer\n";
    std::vector<QPoint> dots;
    for (const QPoint position : stroke)
        dots.push_back(position + offset);
    const std::vector<std::optional<int>> indices = PairIndices(screen, canvas, dots);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (!indices[i]) {
            ADD_FAILURE() << "no pair for position " << i << " (dot at " << dots[i].x() << "," << dots[i].y() << ")";
            return std::nullopt;
        }
    }
    EXPECT_EQ(PairsInTrailOrder(indices), static_cast<int>(indices.size()) - 1) << "the pairs are not one after another";
    return Stroke{offset, *indices.front(), *indices.back()};
}

// Wherever the compositor puts the window, first and after the user moved it; and over the title
// bar, which the program's outer rectangle takes in, though no dot shows there.
TEST_F(WaylandWindowTest, aStrokeRecordsEveryPositionWithItsTwinAtOneOffset)
{
    EnterCompositorAt(OnScreen({200, 40}));
    const std::optional<Stroke> before = DrawStroke({60, 80});
    ASSERT_TRUE(before);
    EXPECT_LE(std::max(std::abs(before->offset.x()), std::abs(before->offset.y())), kNearPointer)
        << "the outer rectangle is not the frame drawn";

    // Along the middle of the title bar, clear of its buttons.
    constexpr int kTitleBarPositions = 8;
    for (int i = 0; i < kTitleBarPositions; ++i)
        MovePointer(OnScreen({60 + 30 * i, -14}));
    const std::optional<Stroke> after = DrawStroke({60, 200});
    ASSERT_TRUE(after);
    EXPECT_EQ(after->offset, before->offset);
    // Between the strokes: the pairs of the title bar, and the one before the second stroke.
    const int onTitleBar = ((after->first - before->last + 256) % 256 - 4) / 2;
    std::cout << onTitleBar << " of " << kTitleBarPositions << " positions over the title bar recorded\n";
    EXPECT_GE(onTitleBar, kTitleBarPositions / 2);
    EXPECT_LE(onTitleBar, kTitleBarPositions);

    const QPoint placed = canvas.topLeft;
    // Towards the middle of the output, so that no compositor holds the window back at its edge;
    // an even number of pixels, which a compositor at scale 2 moves the window by exactly.
    const QPoint towardsMiddle = output.onScreen.center() - canvas.topLeft;
    const QPoint by(towardsMiddle.x() < 0 ? -38 : 38, towardsMiddle.y() < 0 ? -24 : 24);
    Drag(OnScreen({200, -12}), by);
    MovePointerAside();
    ASSERT_TRUE(FindCanvasWhereItStays()) << "the canvas is gone after the window was moved";
    EXPECT_EQ(canvas.topLeft - placed, by) << "the window did not move with the pointer";
    const std::optional<Stroke> moved = DrawStroke({60, 300});
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->offset, before->offset) << "the offset changed as the window moved";
}

TEST_F(WaylandWindowTest, aRequestToMaximiseLeavesTheWindowAsItWas)
{
    // A dialog shown and closed first: it once made the next maximise end the program.
    EnterCompositorAt(OnScreen({200, 200}));
    Click(OnScreen({448, 496})); // the info button
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QTest::qWait(300);
    AskToMaximise();
    QTest::qWait(500);
    MovePointerAside();
    ASSERT_TRUE(FindCanvasWhereItStays()) << "the canvas is no longer a 480 x 480 square";
    ASSERT_TRUE(program.Running());
}

} // namespace
} // namespace glintfall
