#include "ErrorReport.h"
#include "Errors.h"
#include "TApplicationEvents.h"

#include "FakeDialogs.h"

#include <gtest/gtest.h>

namespace glintfall {
namespace {

TEST(ErrorReportTest, fullStopFollowsTheCodeOfTheLastCharacter)
{
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},
        {"abc", "abc."},
        {"Code 5", "Code 5."},
        {"path/", "path/."},
        {"key:", "key:."},
        {"why?", "why?."},
        {"snake_", "snake_."},
        {"done.", "done."},
        {"stop!", "stop!"},
        {"(note)", "(note)"},
        {"dash-", "dash-"},
        {"space ", "space "},
        {"ファイル x は開けません", "ファイル x は開けません."},
        {"é", "é."},
    };
    for (const auto& [message, shown] : rows)
        EXPECT_EQ(WithFullStop(message), shown) << '"' << message << '"';
}

TEST(ErrorReportTest, reportsWithIdleCallsPaused)
{
    FakeDialogs dialogs;
    TApplicationEvents idle;
    idle.Start();
    bool idleRunningWhileOpen = true;
    dialogs.whileOpen = [&] { idleRunningWhileOpen = idle.IsRunning(); };
    RunReportingErrors(dialogs, idle, nullptr, [] { throw TOSError::WithoutCode(); });
    EXPECT_EQ(dialogs.errorReports, QStringList{QStringLiteral("A call to an OS function failed.")});
    EXPECT_FALSE(idleRunningWhileOpen);
    EXPECT_TRUE(idle.IsRunning());
}

} // namespace
} // namespace glintfall
