#include "FormFixture.h"
#include "TIconBar.h"
#include "TLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

namespace glintfall {
namespace {

struct HoverHelpTest : FormFixture {
    void SetUp() override { StartForm(); }
};

TEST_F(HoverHelpTest, eachControlSetsItsHelpText)
{
    const std::pair<QWidget*, QString> rows[] = {
        {form->lightbtn, QStringLiteral("ライト  (色の変化パターンの変更)")},
        {form->clearbtn, QStringLiteral("クリア  (すべて消す)")},
        {form->savebtn, QStringLiteral("保存")},
        {form->changeBtn, QStringLiteral("チェンジ  (色の変化の開始)")},
        {form->InfoBtn, QStringLiteral("ソフト情報")},
    };
    for (const auto& [control, text] : rows) {
        MoveOver(control);
        EXPECT_EQ(form->caphelp->Caption(), text);
        MoveOver(form->IconBar, {200, 10});
        EXPECT_EQ(form->caphelp->Caption(), QString());
    }
}

TEST_F(HoverHelpTest, changeButtonReadsCyclingAtTheMove)
{
    MoveOver(form->changeBtn);
    Click(form->changeBtn);
    EXPECT_EQ(form->caphelp->Caption(), QStringLiteral("チェンジ  (色の変化の開始)")); // a click sets no text
    MoveOver(form->changeBtn);
    EXPECT_EQ(form->caphelp->Caption(), QStringLiteral("ストップ  (色の変化の停止)"));
}

TEST_F(HoverHelpTest, onlyTheCanvasAndTheEmptyBarClearTheText)
{
    MoveOver(form->savebtn);
    MoveOver(form->caphelp);
    MoveOver(form->IconBar, {0, 10}); // the bar's one-pixel edge belongs to no control
    EXPECT_EQ(form->caphelp->Caption(), QStringLiteral("保存"));
    MoveOver(form->Image1);
    EXPECT_EQ(form->caphelp->Caption(), QString());
}

TEST_F(HoverHelpTest, labelFitsItsTextOnOneLine)
{
    const QFontMetrics metrics(form->caphelp->font());
    EXPECT_EQ(form->caphelp->size(), QSize(metrics.horizontalAdvance(QStringLiteral(" ")), metrics.height()));
    MoveOver(form->lightbtn);
    const QString text = QStringLiteral("ライト  (色の変化パターンの変更)");
    EXPECT_EQ(form->caphelp->size(), QSize(metrics.horizontalAdvance(text), metrics.height()));
    EXPECT_EQ(form->caphelp->pos(), QPoint(133, 9)); // (132, 8) inside the bar's edge
}

TEST_F(HoverHelpTest, fourButtonsCarryTooltipsAndAccessibleNames)
{
    const std::tuple<TImage*, QString, QString> rows[] = {
        {form->lightbtn, QStringLiteral("色のパターンを変化させます"), QStringLiteral("ライト  (色の変化パターンの変更)")},
        {form->clearbtn, QStringLiteral("クリア"), QStringLiteral("クリア  (すべて消す)")},
        {form->savebtn, QStringLiteral("保存します"), QStringLiteral("保存")},
        {form->changeBtn, QString(), QStringLiteral("チェンジ  (色の変化の開始)")},
        {form->InfoBtn, QStringLiteral("このソフトの情報"), QStringLiteral("ソフト情報")},
    };
    for (const auto& [button, tooltip, description] : rows) {
        EXPECT_EQ(button->toolTip(), tooltip);
        EXPECT_EQ(button->toolTipDuration(), 2500);
        EXPECT_FALSE(button->accessibleName().isEmpty());
        EXPECT_EQ(button->accessibleDescription(), description);
    }
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
}

TEST_F(HoverHelpTest, noControlTakesTheKeyboardFocus)
{
    for (QWidget* child : form->findChildren<QWidget*>())
        EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->metaObject()->className();
}

} // namespace
} // namespace glintfall
