#include "FormFixture.h"
#include "TIconBar.h"
#include "TLabel.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

#include <tuple>

namespace glintfall {
namespace {

struct CommandsTest : FormFixture {
    void SetUp() override { StartForm(); }

    void Key(int key, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
        Send(form.get(), press);
    }

    void Wheel(int delta, QWidget* over)
    {
        QWheelEvent wheel(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, delta), {}, {},
                          Qt::NoScrollPhase, false);
        Send(over, wheel);
    }

    void DoubleClick(QWidget* widget)
    {
        // As the platform delivers it: the second press arrives as a double click.
        const QPointF at(5, 5);
        const QPointF global = widget->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, {}, {});
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent release2(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, {}, {});
        for (QMouseEvent* event : {&press, &release, &dbl, &release2})
            Send(widget, *event);
    }
};

TEST_F(CommandsTest, clicksToggleOnlyWhatTheyShould)
{
    Click(form->changeBtn);
    EXPECT_TRUE(scene->cycling);
    EXPECT_TRUE(scene->recording); // a button never toggles recording
    Click(form->Image1);
    EXPECT_FALSE(scene->recording);
    Click(form->Image1);
    EXPECT_TRUE(scene->recording);
    Click(form->IconBar); // the empty bar
    Click(form->Image1, Qt::RightButton);
    Click(form->changeBtn, Qt::RightButton);
    EXPECT_TRUE(scene->recording);
    EXPECT_TRUE(scene->cycling);
}

TEST_F(CommandsTest, doubleClickCountsOnce)
{
    DoubleClick(form->Image1);
    EXPECT_FALSE(scene->recording);
    DoubleClick(form->changeBtn);
    EXPECT_TRUE(scene->cycling);
}

TEST_F(CommandsTest, pressReleasedOutsideIsNoClick)
{
    const QPointF inside(5, 5);
    const QPointF outside(-20, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, inside, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, outside, outside, Qt::LeftButton, {}, {});
    Send(form->Image1, press);
    Send(form->Image1, release);
    EXPECT_TRUE(scene->recording);
}

TEST_F(CommandsTest, everyKeyDownStepsThePhaseButTab)
{
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool autoRepeat;
        int step;
    };
    const Row rows[] = {
        {Qt::Key_A, {}, false, 1},          {Qt::Key_A, {}, true, 1},
        {Qt::Key_Alt, Qt::AltModifier, false, 1}, {Qt::Key_F10, {}, false, 1},
        {Qt::Key_Shift, Qt::ShiftModifier, false, 1}, {Qt::Key_Tab, {}, false, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, false, 0}, {Qt::Key_Tab, {}, true, 0},
        {Qt::Key_Tab, Qt::ControlModifier, false, 1}, {Qt::Key_Tab, Qt::AltModifier, false, 1},
    };
    for (const Row& row : rows) {
        const std::int32_t before = scene->phase;
        Key(row.key, row.modifiers, row.autoRepeat);
        EXPECT_EQ(scene->phase - before, row.step) << "key " << row.key << " modifiers " << row.modifiers;
    }
}

TEST_F(CommandsTest, wheelStepsByWholeNotchesKeepingTheRemainder)
{
    const std::vector<std::tuple<std::vector<int>, int>> rows = {
        {{120}, 1}, {{-120}, -1}, {{240}, 2}, {{40, 40}, 0}, {{40, 40, 40}, 1},
        {{100, -30}, 0}, {{100, -30, 50}, 1}, {{120, -120}, 0}, {{-100, -30}, -1},
    };
    for (const auto& [deltas, expectedStep] : rows) {
        TearDown();
        StartForm();
        for (const int delta : deltas)
            Wheel(delta, form->Image1);
        EXPECT_EQ(scene->phase, expectedStep) << "first delta " << deltas.front();
    }
}

TEST_F(CommandsTest, wheelReachesTheWindowOverAnyControl)
{
    for (QWidget* over : {static_cast<QWidget*>(form->lightbtn), static_cast<QWidget*>(form->IconBar),
                          static_cast<QWidget*>(form->caphelp)})
        Wheel(120, over);
    EXPECT_EQ(scene->phase, 3);
}

TEST_F(CommandsTest, lightGivesTheSamePatternsInEveryRun)
{
    const std::tuple<int, int, int, int> expected[] = {{0, 8, 220, 1}, {69, 171, 81, 0}, {95, 108, 20, 2}};
    for (const auto& row : expected) {
        Click(form->lightbtn);
        EXPECT_EQ(std::tuple(scene->offsetA, scene->offsetB, scene->offsetC, scene->pattern), row);
    }
}

TEST_F(CommandsTest, clearThenTwoFramesRecordPairsWithAStillCursor)
{
    form->show();
    host->cursor = {form->frameGeometry().left() + 102, form->frameGeometry().top() + 76};
    Spin(100);
    ASSERT_EQ(scene->dotCount(), 4);
    Click(form->clearbtn);
    EXPECT_EQ(scene->dotCount(), 0);
    const int frames = host->framesPresented;
    while (host->framesPresented < frames + 2)
        Spin(1);
    EXPECT_EQ(scene->dotCount(), 4);
    Spin(50);
    EXPECT_EQ(scene->dotCount(), 4);
}

TEST_F(CommandsTest, aboutBoxLetsFramesRunBehindIt)
{
    form->show();
    scene->cycling = true; // every frame differs from the last, so none is left out
    int framesWhileOpen = 0;
    dialogs.whileOpen = [&] {
        const int before = host->framesPresented;
        Spin(100);
        framesWhileOpen = host->framesPresented - before;
    };
    Click(form->InfoBtn);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const FakeDialogs::Message& about = dialogs.messages.front();
    EXPECT_EQ(about.caption, QStringLiteral("Glintfall"));
    EXPECT_EQ(about.text, QStringLiteral("Glintfall\n製作\u3000Oskel"));
    EXPECT_EQ(about.icon, MessageIcon::None);
    EXPECT_GT(framesWhileOpen, 3);
}

TEST_F(CommandsTest, popupMenuEntriesRunTheirCommandsButNeverOpen)
{
    const QList<QAction*> entries = form->PopupMenu1->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("ライト(&L)"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("セーブ(&S)"));
    EXPECT_EQ(entries[2]->text(), QStringLiteral("クリア(&N)"));
    entries[0]->trigger();
    EXPECT_EQ(scene->offsetC, 220);
    scene->dots.Append({1, 1, 1});
    entries[2]->trigger();
    EXPECT_EQ(scene->dotCount(), 0);

    form->show();
    Click(form->Image1, Qt::RightButton);
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, QPoint(5, 5), form->Image1->mapToGlobal(QPoint(5, 5)));
    Send(form->Image1, menuRequest);
    EXPECT_FALSE(form->PopupMenu1->isVisible());
}

} // namespace
} // namespace glintfall
