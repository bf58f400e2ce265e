// Runs on an X display of its own (see CMakeLists.txt), once with the shared memory extension
// and once without, where the control must fall back to Qt's painting.

#include "LargeAllocations.h"
#include "TImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace glintfall {
namespace {

constexpr int kSide = 120;
const QPoint kAt(200, 150);

struct X11FramePresenterTest : ::testing::Test {
    X11FramePresenterTest()
    {
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.setGeometry(QRect(kAt, QSize(kSide, kSide)));
        // Black, as the program's window is: the canvas shows it before its first picture.
        window.setStyleSheet(QStringLiteral("background: black"));
        canvas = new TImage(&window);
        canvas->setGeometry(0, 0, kSide, kSide);
        canvas->PresentDirectly();
    }

    void Show()
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
    }

    // A picture with a colour of its own in each quarter.
    static TABitmap Picture(TPixel seed)
    {
        TABitmap picture(kSide, kSide);
        for (int quarter = 0; quarter < 4; ++quarter)
            picture.FillRect(quarter % 2 * kSide / 2, quarter / 2 * kSide / 2, (quarter % 2 + 1) * kSide / 2,
                             (quarter / 2 + 1) * kSide / 2, PixelToColor(seed + 0x00102030u * quarter));
        return picture;
    }

    // Whether the screen shows the picture where the canvas is, at the centre of each quarter.
    static ::testing::AssertionResult ScreenShows(const TABitmap& picture)
    {
        QTest::qWait(50);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        for (const QPoint at : {QPoint(30, 30), QPoint(90, 30), QPoint(30, 90), QPoint(90, 90)}) {
            const QRgb shown = screen.pixel(kAt + at) & 0xFFFFFF;
            const QRgb expected = picture.Pixel(at.x(), at.y()) & 0xFFFFFF;
            if (shown != expected)
                return ::testing::AssertionFailure() << "at " << at.x() << "," << at.y() << " the screen shows "
                                                     << std::hex << shown << ", not " << expected;
        }
        return ::testing::AssertionSuccess();
    }

    QWidget window;
    TImage* canvas;
};

TEST_F(X11FramePresenterTest, presentsDirectlyWhereTheServerSharesMemory)
{
    const bool sharedMemory = qEnvironmentVariableIsEmpty("GLINTFALL_TEST_WITHOUT_MITSHM");
    EXPECT_EQ(canvas->PresentsDirectly(), sharedMemory);
}

TEST_F(X11FramePresenterTest, everyPictureReachesTheScreenAndShowsAgainWhenUncovered)
{
    Show();
    EXPECT_TRUE(ScreenShows(TABitmap(kSide, kSide))) << "black before the first picture";
    // Enough pictures for every shared segment to be written more than once.
    for (const TPixel seed : {0xFF112233u, 0xFF445566u, 0xFF778899u, 0xFFAABBCCu, 0xFF102030u}) {
        canvas->Draw(Picture(seed));
        EXPECT_TRUE(ScreenShows(Picture(seed))) << std::hex << seed;
    }

    QWidget cover;
    cover.setWindowFlag(Qt::FramelessWindowHint);
    cover.setGeometry(QRect(kAt, QSize(kSide, kSide)));
    cover.setStyleSheet(QStringLiteral("background: white"));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    cover.close();
    EXPECT_TRUE(ScreenShows(Picture(0xFF102030u))) << "after the cover went";
}

// As the frame tick draws: only the areas that changed are copied and shown, and nothing is
// allocated for them.
TEST_F(X11FramePresenterTest, changedAreasReachTheScreenWithoutAllocating)
{
    Show();
    canvas->Draw(Picture(0xFF010203u));
    const TABitmap next = Picture(0xFF405060u);
    const std::vector<TArea> changed{{0, 0, kSide / 2, kSide / 2}, {kSide / 2, kSide / 2, kSide, kSide}};
    TABitmap expected = Picture(0xFF010203u);
    expected.CopyAreas(next, changed);
    const LargeAllocations watch(std::size_t{kSide} * sizeof(TPixel));
    canvas->Draw(next, changed);
    EXPECT_EQ(watch.Count(), 0);
    EXPECT_EQ(canvas->Picture(), expected);
    EXPECT_TRUE(ScreenShows(expected));
}

// A picture being saved is a copy of the canvas's: the frames after it never write to it.
TEST_F(X11FramePresenterTest, aCopyOfThePictureIsNotWrittenByTheNextOnes)
{
    Show();
    canvas->Draw(Picture(0xFF112233u));
    const TABitmap kept = canvas->Picture();
    canvas->Draw(Picture(0xFFAABBCCu), std::vector<TArea>{{0, 0, kSide, kSide}});
    EXPECT_TRUE(ScreenShows(Picture(0xFFAABBCCu)));
    EXPECT_EQ(kept, Picture(0xFF112233u));
}

TEST_F(X11FramePresenterTest, aPictureOfAnotherSizeIsNotPutThere)
{
    Show();
    canvas->Draw(Picture(0xFF112233u));
    canvas->Draw(TABitmap(kSide / 2, kSide / 2));
    EXPECT_EQ(canvas->Picture().Width(), kSide / 2);
}

} // namespace
} // namespace glintfall
