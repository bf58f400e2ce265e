// The program's start-up, each case in a process of its own (StartupProbe), since Qt reads the
// style and the desktop's language only when the application starts.

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace glintfall {
namespace {

using Report = std::map<std::string, std::string>;

// Runs the probe with the arguments and environment variable given ("NAME=value", or empty), on
// top of an environment that chooses neither a style nor a language.
Report RunProbe(const QStringList& arguments, const QString& variable = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "QT_STYLE_OVERRIDE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!variable.isEmpty())
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));

    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(GLINTFALL_STARTUP_PROBE), arguments);
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        ADD_FAILURE() << "the probe failed: " << probe.readAllStandardError().toStdString();
        return {};
    }
    Report report;
    for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        QString value = line.section(u'=', 1);
        report[line.section(u'=', 0, 0).toStdString()] = value.replace(QStringLiteral("\\n"), QStringLiteral("\n")).toStdString();
    }
    return report;
}

TEST(StartupTest, theUsersStyleStaysUnderTheTooltipDelay)
{
    const struct {
        QStringList arguments;
        QString variable;
        std::string style;
    } rows[] = {
        {{}, {}, "fusion"},
        {{QStringLiteral("-style"), QStringLiteral("fusion")}, {}, "fusion"},
        {{QStringLiteral("-style"), QStringLiteral("windows")}, {}, "windows"},
        {{}, QStringLiteral("QT_STYLE_OVERRIDE=fusion"), "fusion"},
        {{}, QStringLiteral("QT_STYLE_OVERRIDE=windows"), "windows"},
    };
    for (const auto& row : rows) {
        Report report = RunProbe(row.arguments, row.variable);
        const std::string chosen = (row.arguments.join(u' ') + row.variable).toStdString();
        EXPECT_EQ(report["style"], row.style) << chosen;
        EXPECT_EQ(report["tooltipDelay"], "500") << chosen;
    }
}

// Qt's own texts follow the desktop's language, which Qt finds in LANG; without a catalogue for
// the language they stay English. The program's own texts never change.
TEST(StartupTest, qtTextsFollowTheDesktopsLanguage)
{
    const struct {
        const char* lang;
        std::string title, save, cancel, question, yes, no;
    } rows[] = {
        {"C", "Save As", "&Save", "Cancel", "pic.bmp already exists.\nDo you want to replace it?", "&Yes", "&No"},
        {"ja_JP.UTF-8", "名前を付けて保存", "保存(&S)", "キャンセル", "pic.bmp は既に存在します。\n置き換えますか?",
         "はい(&Y)", "いいえ(&N)"},
        {"de_DE.UTF-8", "Speichern unter", "S&peichern", "Abbrechen",
         "Die Datei pic.bmp existiert bereits.\nSoll sie überschrieben werden?", "&Ja", "&Nein"},
        // Chinese is here for its OK button, which Qt's catalogue translates.
        {"zh_CN.UTF-8", "另存为", "保存(&S)", "取消", "pic.bmp 已存在。\n您想要替换它吗？", "是(&Y)", "否(&N)"},
        // Qt has no catalogue for Esperanto.
        {"eo", "Save As", "&Save", "Cancel", "pic.bmp already exists.\nDo you want to replace it?", "&Yes", "&No"},
    };
    for (const auto& row : rows) {
        Report report = RunProbe({}, QStringLiteral("LANG=") + QLatin1String(row.lang));
        EXPECT_EQ(report["saveTitle"], row.title) << row.lang;
        EXPECT_EQ(report["saveButton"], row.save) << row.lang;
        EXPECT_EQ(report["cancelButton"], row.cancel) << row.lang;
        // The question asked after ".bmp" was appended reads like the dialog's own.
        EXPECT_EQ(report["overwriteTitle"], row.title) << row.lang;
        EXPECT_EQ(report["overwriteText"], row.question) << row.lang;
        EXPECT_EQ(report["yesButton"], row.yes) << row.lang;
        EXPECT_EQ(report["noButton"], row.no) << row.lang;
        EXPECT_EQ(report["messageButton"], "OK") << row.lang;
    }
}

} // namespace
} // namespace glintfall
