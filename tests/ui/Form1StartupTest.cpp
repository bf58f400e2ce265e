#include "FormFixture.h"
#include "LargeAllocations.h"
#include "TIconBar.h"
#include "TLabel.h"

#include <QEvent>
#include <QFile>
#include <QFontInfo>

namespace glintfall {
namespace {

using Form1StartupTest = FormFixture;

TEST_F(Form1StartupTest, controlsSitWhereTheLayoutPutsThem)
{
    StartForm();
    const std::pair<QWidget*, QRect> rows[] = {
        {form->Image1, {0, 0, 480, 480}},     {form->IconBar, {0, 480, 480, 33}},
        {form->lightbtn, {1, 481, 30, 30}},   {form->clearbtn, {31, 481, 30, 30}},
        {form->savebtn, {61, 481, 30, 30}},   {form->changeBtn, {91, 481, 30, 30}},
        {form->InfoBtn, {433, 481, 30, 30}},
    };
    for (const auto& [control, expected] : rows) {
        const QRect inWindow(control->mapTo(form.get(), QPoint(0, 0)), control->size());
        EXPECT_EQ(inWindow, expected) << control->accessibleName().toStdString();
    }
    EXPECT_EQ(form->caphelp->mapTo(form.get(), QPoint(0, 0)), QPoint(133, 489));
    EXPECT_EQ(form->IconBar->ClientRect(), QRect(1, 1, 478, 31));
}

TEST_F(Form1StartupTest, windowIsFixedWithACloseBoxOnly)
{
    StartForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Glintfall"));
    EXPECT_EQ(form->minimumSize(), QSize(480, 513));
    EXPECT_EQ(form->maximumSize(), QSize(480, 513));
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(form->font().pixelSize(), 12);
    EXPECT_EQ(QFontInfo(form->font()).family(), QStringLiteral("IPAPGothic"));
}

TEST_F(Form1StartupTest, startsWithTheSceneReset)
{
    StartForm();
    EXPECT_EQ(form->Image1->Picture().Width(), 0);
    ASSERT_TRUE(scene->backBmp);
    EXPECT_EQ(scene->backBmp->Width(), 480);
    EXPECT_TRUE(scene->recording);
    EXPECT_FALSE(scene->cycling);
    EXPECT_TRUE(dialogs.errorReports.isEmpty());
    for (TImage* button : {form->lightbtn, form->clearbtn, form->savebtn, form->changeBtn, form->InfoBtn})
        EXPECT_EQ(button->Picture().Width(), 30);
}

// The bytes of one of the program's button pictures.
QByteArray PictureFile(const char* name)
{
    QFile file(QStringLiteral(GLINTFALL_SOURCE_DIR "/icons/%1.bmp").arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Patched(QByteArray bytes, qsizetype at, char value)
{
    bytes[at] = value;
    return bytes;
}

// The three messages of picture loading, each exactly as the error report shows it, full stop
// included; loading stops at the picture that fails.
TEST_F(Form1StartupTest, brokenPicturesStopTheLoadingAtTheFirstAndAreReported)
{
    struct Row {
        Pictures pictures;
        QStringList leftOut;
        QMap<QString, QByteArray> replaced;
        QStringList reports;
        int picturesShown; // in loading order: clear, save, light, info, change
    };
    const QByteArray save = PictureFile("save");
    ASSERT_GT(save.size(), 100);
    const Row rows[] = {
        {Pictures::None, {}, {}, {QStringLiteral("ファイル ./icons/clear.bmp は開けません.")}, 0},
        {Pictures::All, {QStringLiteral("info")}, {}, {QStringLiteral("ファイル ./icons/info.bmp は開けません.")}, 3},
        {Pictures::All, {}, {{QStringLiteral("save"), save.left(40)}},
         {QStringLiteral("ストリームからの読み込みエラー.")}, 1},
        {Pictures::All, {}, {{QStringLiteral("save"), save.left(save.size() - 3)}}, // cut in the last row's pixels
         {QStringLiteral("ストリームからの読み込みエラー.")}, 1},
        {Pictures::All, {}, {{QStringLiteral("light"), Patched(save, 1, 'X')}},
         {QStringLiteral("ビットマップイメージが不正です.")}, 2},
        {Pictures::All, {}, {{QStringLiteral("change"), Patched(save, 26, 2)}},
         {QStringLiteral("ビットマップイメージが不正です.")}, 4},
        {Pictures::All, {}, {{QStringLiteral("change"), QByteArray()}}, {}, 4}, // empty, not broken
    };
    for (const Row& row : rows) {
        dialogs.errorReports.clear();
        StartForm(row.pictures, row.leftOut, row.replaced);
        EXPECT_EQ(dialogs.errorReports, row.reports);
        const TImage* inOrder[] = {form->clearbtn, form->savebtn, form->lightbtn, form->InfoBtn, form->changeBtn};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(inOrder[i]->Picture().Empty(), i >= row.picturesShown) << "picture " << i;
        TearDown();
    }
}

TEST_F(Form1StartupTest, buttonWithoutPictureStillReacts)
{
    StartForm(Pictures::None);
    Click(form->changeBtn);
    EXPECT_TRUE(scene->cycling);
    MoveOver(form->changeBtn);
    EXPECT_EQ(form->caphelp->Caption(), QStringLiteral("ストップ  (色の変化の停止)"));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

TEST_F(Form1StartupTest, loopSleepsUntilEachFrameIsDue)
{
    StartForm();
    scene->cycling = true; // every frame differs from the last, so none is left out
    form->show();
    Spin(200);
    EXPECT_GT(host->framesPresented, 5);
    EXPECT_EQ(host->sleeps, 0) << "the tick was called before a frame was due";
}

// However long the trail, a frame needs no memory of its own: it draws into the surface and the
// canvas copies what changed into its picture.
TEST_F(Form1StartupTest, framesNeedNoMemoryOfTheirOwn)
{
    StartForm();
    form->show();
    while (form->Image1->Picture().Empty())
        Spin(5);
    scene->cycling = true; // every frame redraws the whole surface
    const int framesBefore = host->framesPresented;
    {
        const LargeAllocations watch(std::size_t{kCanvasSize} * kCanvasSize * sizeof(TPixel));
        Spin(40);
        EXPECT_EQ(watch.Count(), 0);
    }
    EXPECT_GT(host->framesPresented, framesBefore + 2);
    EXPECT_TRUE(dialogs.errorReports.isEmpty());
    EXPECT_EQ(form->Image1->Picture(), *scene->backBmp);
}

TEST_F(Form1StartupTest, idleLoopPaintsBetweenFramesAndStopsAtClose)
{
    StartForm();
    PaintCounter counter;
    form->Image1->installEventFilter(&counter);
    scene->cycling = true; // every frame differs from the last
    form->show();
    Spin(200);
    EXPECT_GT(host->framesPresented, 5);
    // Each frame is painted before the next idle call; the last may still be waiting.
    EXPECT_GE(counter.paints, host->framesPresented - 1);
    EXPECT_FALSE(form->Image1->Picture().Empty());
    form->close();
    EXPECT_FALSE(scene->backBmp);
    const int framesAtClose = host->framesPresented;
    Spin(50);
    EXPECT_EQ(host->framesPresented, framesAtClose);
}

} // namespace
} // namespace glintfall
