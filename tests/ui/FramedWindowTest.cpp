// Starts the real program under the window manager that tests/ui/with_window_manager started on
// this X display (one test per manager, listed in CMakeLists.txt) and checks what the frame
// changes: the outer rectangle, frame included, is centred on the desktop from the moment the
// window first appears, nothing is recorded before, dots are recorded from that framed rectangle,
// the fixed size outlasts maximising and resizing, and the save dialog is placed by its own outer
// rectangle. On a screen split into two monitors of different scales, the window dragged from one
// to the other is drawn, measured and answers at each one's scale. Positions come straight from
// the X server: the client's absolute position, and the frame the manager reports in
// _NET_FRAME_EXTENTS.

#include "Strokes.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QImage>
#include <QMargins>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <span>
#include <vector>

// Test messages show places as numbers.
void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.width() << "x" << rect.height() << " at " << rect.left() << "," << rect.top();
}

void PrintTo(const QPoint& point, std::ostream* out)
{
    *out << point.x() << "," << point.y();
}

namespace glintfall {
namespace {

xcb_connection_t* Connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t Root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root;
}

template <typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> Owned(Reply* reply)
{
    return {reply, &std::free};
}

xcb_atom_t Atom(const char* name)
{
    const auto reply = Owned(
        xcb_intern_atom_reply(Connection(), xcb_intern_atom(Connection(), false, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// A property of 32-bit values, of whatever type; empty where it is missing.
std::vector<std::uint32_t> Property(xcb_window_t window, const char* name)
{
    const auto reply = Owned(xcb_get_property_reply(
        Connection(), xcb_get_property(Connection(), false, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

QRect ClientRect(xcb_window_t window)
{
    const auto origin = Owned(xcb_translate_coordinates_reply(
        Connection(), xcb_translate_coordinates(Connection(), window, Root(), 0, 0), nullptr));
    const auto geometry = Owned(xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), window), nullptr));
    if (!origin || !geometry)
        return {};
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

// _NET_FRAME_EXTENTS holds left, right, top, bottom; null until the window manager has framed the
// window.
QMargins FrameExtents(xcb_window_t window)
{
    const std::vector<std::uint32_t> values = Property(window, "_NET_FRAME_EXTENTS");
    if (values.size() != 4)
        return {};
    return QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
}

QRect OuterRect(xcb_window_t window)
{
    return ClientRect(window).marginsAdded(FrameExtents(window));
}

// The window the manager wraps around a client: the client's ancestor just below the root.
xcb_window_t FrameWindow(xcb_window_t window)
{
    for (;;) {
        const auto tree = Owned(xcb_query_tree_reply(Connection(), xcb_query_tree(Connection(), window), nullptr));
        if (!tree || tree->parent == tree->root)
            return window;
        window = tree->parent;
    }
}

// Every place and size the X server gives the root's children (the managers' frames) while they
// are mapped, from events, so that no step is missed however short.
class FrameWatch : public QAbstractNativeEventFilter {
public:
    FrameWatch()
    {
        const auto attributes = Owned(xcb_get_window_attributes_reply(
            Connection(), xcb_get_window_attributes(Connection(), Root()), nullptr));
        const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(Connection(), Root(), XCB_CW_EVENT_MASK, &mask);
        xcb_flush(Connection());
        qGuiApp->installNativeEventFilter(this);
    }
    ~FrameWatch() override { qGuiApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7F) {
        case XCB_CREATE_NOTIFY: {
            const auto* create = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            m_frames[create->window].last = {create->x, create->y, create->width, create->height};
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            Frame& frame = m_frames[configure->window];
            frame.last = {configure->x, configure->y, configure->width, configure->height};
            if (frame.mapped)
                frame.seen.push_back(frame.last);
            break;
        }
        case XCB_MAP_NOTIFY: {
            Frame& frame = m_frames[reinterpret_cast<const xcb_map_notify_event_t*>(event)->window];
            frame.mapped = true;
            frame.seen.push_back(frame.last);
            break;
        }
        case XCB_UNMAP_NOTIFY:
            m_frames[reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window].mapped = false;
            break;
        default:
            break;
        }
        return false;
    }

    // Where the client's frame was seen after it first appeared whole, if it was seen elsewhere
    // than where it is now. A frame smaller than it ends up, as managers make it while they build
    // it (KWin 1x1, mutter without its title bar), shows nothing yet, and a compositing manager
    // does not draw it.
    std::vector<QRect> MovesAfterAppearing(xcb_window_t client) const
    {
        const auto frame = m_frames.find(FrameWindow(client));
        if (frame == m_frames.end() || frame->second.seen.empty())
            return {QRect()};
        const QRect now = frame->second.seen.back();
        std::vector<QRect> moves = frame->second.seen;
        std::erase_if(moves, [&](const QRect& seen) {
            return seen == now || seen.width() < now.width() || seen.height() < now.height();
        });
        return moves;
    }

private:
    struct Frame {
        QRect last;
        bool mapped = false;
        std::vector<QRect> seen;
    };
    std::map<xcb_window_t, Frame> m_frames;
};

// The whole X screen, whatever monitors it is split into (Qt grabs only one).
QImage WholeScreen()
{
    const auto geometry = Owned(xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), Root()), nullptr));
    const auto image = Owned(xcb_get_image_reply(
        Connection(),
        xcb_get_image(Connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, Root(), 0, 0, geometry->width, geometry->height, ~0u),
        nullptr));
    return QImage(xcb_get_image_data(image.get()), geometry->width, geometry->height, QImage::Format_RGB32).copy();
}

// Waits until the window is framed and has stayed where it is for a while.
bool WaitUntilSettled(xcb_window_t window)
{
    QRect last;
    int stable = 0;
    for (int i = 0; i < 100 && stable < 3; ++i) {
        QTest::qWait(100);
        const QRect outer = FrameExtents(window).isNull() ? QRect() : OuterRect(window);
        stable = outer.isValid() && outer == last ? stable + 1 : 0;
        last = outer;
    }
    return stable >= 3;
}

void MovePointer(QPoint position)
{
    RunTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(position.x()), QString::number(position.y())});
    QTest::qWait(150);
}

constexpr QPoint kNearTheCorner(24, 48);

class FramedWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Property(Root(), "_NET_SUPPORTING_WM_CHECK").empty())
            << "no window manager runs on this display; run the test through tests/ui/with_window_manager";
        // Near the corner where managers make their frames before they place them.
        MovePointer(kNearTheCorner);
        ASSERT_TRUE(program.Start());
        window = program.window.toUInt();
        ASSERT_TRUE(WaitUntilSettled(window)) << "the window has no frame, or keeps moving";
    }

    // The program's other window, transient for its main window, once it has been framed.
    xcb_window_t WaitForDialog() const
    {
        for (int i = 0; i < 100; ++i) {
            QTest::qWait(100);
            for (const std::uint32_t client : Property(Root(), "_NET_CLIENT_LIST"))
                if (Property(client, "WM_TRANSIENT_FOR") == std::vector{window} && WaitUntilSettled(client))
                    return client;
        }
        return XCB_NONE;
    }

    FrameWatch frames; // made before the program starts, so that it sees the window appear
    RealProgram program;
    xcb_window_t window = XCB_NONE;
};

TEST_F(FramedWindowTest, outerRectangleIsCentredFrameIncluded)
{
    const QMargins frame = FrameExtents(window);
    const QRect outer = OuterRect(window);
    std::cout << "frame extents (left, right, top, bottom): " << frame.left() << ", " << frame.right() << ", "
              << frame.top() << ", " << frame.bottom() << "; outer rectangle: ";
    PrintTo(outer, &std::cout);
    std::cout << "\n";
    ASSERT_GT(frame.top(), 0) << "a frame without a title bar would not tell a framed placement from another";
    EXPECT_EQ(outer.size(), QSize(480, 513).grownBy(frame));
    const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
    EXPECT_EQ(outer.topLeft(), QPoint(std::max(0, (desktop.width() - outer.width()) / 2),
                                      std::max(0, (desktop.height() - outer.height()) / 2)));
}

TEST_F(FramedWindowTest, appearsWhereItStays)
{
    EXPECT_EQ(frames.MovesAfterAppearing(window), std::vector<QRect>())
        << "seen there before it settled at " << testing::PrintToString(OuterRect(window));
}

TEST_F(FramedWindowTest, recordsNothingBeforeItIsPlaced)
{
    // The pointer has rested near the corner since before the program started: over the window
    // only where a manager showed it there before placing it, which would record visible pairs.
    const QRect client = ClientRect(window);
    ASSERT_FALSE(client.contains(kNearTheCorner));
    const QImage canvas = QGuiApplication::primaryScreen()->grabWindow(0, client.x(), client.y(), 480, 480).toImage();
    int lit = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            lit += (canvas.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_EQ(lit, 0);
}

TEST_F(FramedWindowTest, dotsAreRecordedFromTheFramedRectangle)
{
    const QRect client = ClientRect(window);
    const QRect outer = OuterRect(window);
    // Two pairs on the title bar at a still pointer (indices 0 to 3) and one further along it (4
    // and 5), all off the canvas but counted, then one pair at each place on the canvas.
    const int titleBar = (outer.top() - client.top()) / 2;
    const struct {
        QPoint inClient;
        int index;
    } positions[] = {{{60, titleBar}, 0}, {{120, titleBar}, 4}, {{100, 50}, 6}, {{200, 120}, 8}};
    for (const auto& position : positions)
        MovePointer(client.topLeft() + position.inClient);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    for (const auto& position : std::span(positions).subspan(2)) {
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

TEST_F(FramedWindowTest, keepsItsFixedSizeAndPlaceWhenMaximisedOrResized)
{
    // Moving and closing only; a border and a title bar without a resize handle.
    const std::vector<std::uint32_t> motif = Property(window, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[1], 0x24u) << "functions";
    EXPECT_EQ(motif[2], 0x0Au) << "decorations";
    const std::vector<std::uint32_t> allowed = Property(window, "_NET_WM_ALLOWED_ACTIONS");
    for (const char* action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"})
        EXPECT_EQ(std::ranges::count(allowed, Atom(action)), 0) << action << " is offered";

    const QRect placed = OuterRect(window);
    const QStringList attempts[] = {
        {QStringLiteral("wmctrl"), QStringLiteral("-i"), QStringLiteral("-r"), program.window, QStringLiteral("-b"),
         QStringLiteral("add,maximized_vert,maximized_horz")},
        {QStringLiteral("wmctrl"), QStringLiteral("-i"), QStringLiteral("-r"), program.window, QStringLiteral("-b"),
         QStringLiteral("add,fullscreen")},
        {QStringLiteral("xdotool"), QStringLiteral("windowsize"), program.window, QStringLiteral("640"),
         QStringLiteral("600")},
    };
    for (const QStringList& attempt : attempts) {
        RunTool(attempt.front(), attempt.mid(1));
        QTest::qWait(300);
        ASSERT_TRUE(WaitUntilSettled(window)) << attempt.join(u' ').toStdString();
        EXPECT_EQ(ClientRect(window).size(), QSize(480, 513)) << attempt.join(u' ').toStdString();
        EXPECT_EQ(OuterRect(window), placed) << attempt.join(u' ').toStdString();
    }
}

TEST_F(FramedWindowTest, saveDialogIsPlacedByItsOuterRectangle)
{
    const QRect client = ClientRect(window);
    MovePointer(client.topLeft() + QPoint(76, 496)); // the save button
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    const xcb_window_t dialog = WaitForDialog();
    ASSERT_NE(dialog, xcb_window_t{XCB_NONE}) << "no save dialog came up";
    const QRect outer = OuterRect(dialog);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(outer.left(), available.left() + (available.width() - outer.width()) / 2);
    EXPECT_EQ(outer.top(), available.top() + (available.height() - outer.height()) / 3);
    EXPECT_EQ(frames.MovesAfterAppearing(dialog), std::vector<QRect>());
}

// A desk of two monitors side by side on one X screen of 3200 x 1200: a laptop's at scale 1 and a
// larger one at scale 2, the program told of their scales as a desktop tells Qt.
class MixedDensityTest : public ::testing::Test {
protected:
    static constexpr QRect kLeft{0, 0, 1280, 1200};
    static constexpr QRect kRight{1280, 0, 1920, 1200};

    void SetUp() override
    {
        ASSERT_FALSE(Property(Root(), "_NET_SUPPORTING_WM_CHECK").empty())
            << "no window manager runs on this display; run the test through tests/ui/with_window_manager";
        const QSize screen = QGuiApplication::primaryScreen()->virtualSize();
        if (screen != QSize(3200, 1200))
            GTEST_SKIP() << "needs an X screen of 3200 x 1200 to split, not " << screen.width() << " x " << screen.height();
        // The screen's own monitor becomes the left one, and another is added beside it.
        RunTool(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), QStringLiteral("LEFT"),
                                          QStringLiteral("1280/339x1200/318+0+0"), QStringLiteral("screen")});
        RunTool(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), QStringLiteral("RIGHT"),
                                          QStringLiteral("1920/508x1200/318+1280+0"), QStringLiteral("none")});
        if (!RunTool(QStringLiteral("xrandr"), {QStringLiteral("--listmonitors")}).contains(QStringLiteral("RIGHT")))
            GTEST_SKIP() << "this X server does not take monitors set by xrandr";
        ASSERT_TRUE(program.Start({{QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("LEFT=1;RIGHT=2")}}));
        window = program.window.toUInt();
        ASSERT_TRUE(WaitUntilSettled(window)) << "the window has no frame, or keeps moving";
    }

    // Drags the window by its title bar, as a user does, so that its frame's corner lands there.
    void DragTo(QPoint frameCorner) const
    {
        const QRect client = ClientRect(window);
        const QRect outer = OuterRect(window);
        const QPoint grip(client.left() + client.width() / 3, (outer.top() + client.top()) / 2);
        const QPoint by = frameCorner - outer.topLeft();
        MovePointer(grip);
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousedown"), QStringLiteral("1")});
        QTest::qWait(300);
        constexpr int kSteps = 20;
        for (int step = 1; step <= kSteps; ++step) {
            const QPoint at = grip + by * step / kSteps;
            RunTool(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
            QTest::qWait(40);
        }
        QTest::qWait(300);
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
        QTest::qWait(500);
        ASSERT_TRUE(WaitUntilSettled(window)) << "the window keeps moving after the drag";
    }

    // Strokes over the window from this point of its client area, in the program's pixels at the
    // scale given, and checks that every position is recorded by the rule: the dot is where the
    // pointer is, measured from the outer rectangle's corner at the window's own scale, less 2
    // and 26, drawn as a square of the scale's side.
    void ExpectStrokeRecordedAtScale(QPoint from, int scale) const
    {
        const QRect client = ClientRect(window);
        const QRect outer = OuterRect(window);
        std::vector<QPoint> dots;
        for (int step = 0; step < 15; ++step) {
            // Inside the pixel, wherever the server's pixels fall in it.
            const QPoint pointer = client.topLeft() + (from + QPoint(6 * step, 4 * step)) * scale + QPoint(1, 1);
            MovePointer(pointer);
            const QPoint inOuter = pointer - outer.topLeft();
            dots.push_back(QPoint(inOuter.x() / scale, inOuter.y() / scale) - QPoint(2, 26));
        }
        MovePointer({kLeft.right() - 10, kLeft.bottom() - 10});
        const QImage screen = WholeScreen();
        const std::vector<std::optional<int>> indices = PairIndices(screen, {client.topLeft(), scale}, dots);
        EXPECT_TRUE(std::ranges::all_of(indices, [](const std::optional<int>& index) { return index.has_value(); }))
            << "positions recorded elsewhere, or not at all";
        EXPECT_EQ(PairsInTrailOrder(indices), static_cast<int>(indices.size()) - 1);
    }

    RealProgram program;
    xcb_window_t window = XCB_NONE;
};

TEST_F(MixedDensityTest, aWindowDraggedToAnotherScaleIsDrawnAndMeasuredThere)
{
    ExpectStrokeRecordedAtScale({60, 80}, 1);

    DragTo({1600, 60});
    EXPECT_EQ(ClientRect(window).size(), QSize(960, 1026)) << "not at the right monitor's scale";
    EXPECT_TRUE(kRight.contains(OuterRect(window))) << "not wholly on the right monitor: "
                                                    << testing::PrintToString(OuterRect(window));
    ExpectStrokeRecordedAtScale({60, 200}, 2);
    // Its buttons answer where they are drawn: the info button shows the about box.
    MovePointer(ClientRect(window).topLeft() + QPoint(448, 496) * 2);
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    xcb_window_t about = XCB_NONE;
    for (int i = 0; i < 50 && about == XCB_NONE; ++i) {
        QTest::qWait(100);
        for (const std::uint32_t client : Property(Root(), "_NET_CLIENT_LIST"))
            if (Property(client, "WM_TRANSIENT_FOR") == std::vector{window})
                about = client;
    }
    EXPECT_NE(about, xcb_window_t{XCB_NONE}) << "the info button showed no about box";
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QTest::qWait(300);

    DragTo({200, 100});
    EXPECT_EQ(ClientRect(window).size(), QSize(480, 513)) << "not back at the left monitor's scale";
    EXPECT_TRUE(kLeft.contains(OuterRect(window)));
    ExpectStrokeRecordedAtScale({60, 300}, 1);

    // Reaching onto the right monitor, the window is on the left one, and so is its scale; so is
    // every position measured over it, over either monitor.
    DragTo({1000, 100});
    EXPECT_EQ(ClientRect(window).size(), QSize(480, 513));
    ExpectStrokeRecordedAtScale({300, 100}, 1);
}

} // namespace
} // namespace glintfall
