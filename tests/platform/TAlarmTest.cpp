#include "TAlarm.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace glintfall {
namespace {

using namespace std::chrono_literals;
using Clock = TAlarm::Clock;

struct TAlarmTest : ::testing::Test {
    TAlarmTest()
    {
        alarm.SetOnRing([this] { rings.push_back(Clock::now()); });
    }

    // Runs the event loop until the alarm has rung `count` times, or two seconds have passed.
    void WaitForRings(std::size_t count)
    {
        for (int i = 0; i < 200 && rings.size() < count; ++i)
            QTest::qWait(10);
    }

    TAlarm alarm;
    std::vector<Clock::time_point> rings;
};

TEST_F(TAlarmTest, ringsOnceAndNeverBeforeItsMoment)
{
    EXPECT_TRUE(alarm.IsPrecise());
    const Clock::time_point moment = Clock::now() + 30ms;
    alarm.SetFor(moment);
    EXPECT_TRUE(alarm.IsSet());
    WaitForRings(1);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_GE(rings[0], moment);
    EXPECT_FALSE(alarm.IsSet());
    QTest::qWait(50);
    EXPECT_EQ(rings.size(), 1u);
}

TEST_F(TAlarmTest, aNewMomentReplacesTheOldAndCancelSilencesIt)
{
    const Clock::time_point later = Clock::now() + 80ms;
    alarm.SetFor(Clock::now() + 10ms);
    alarm.SetFor(later);
    WaitForRings(1);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_GE(rings[0], later);

    alarm.SetFor(Clock::now() + 10ms);
    alarm.Cancel();
    EXPECT_FALSE(alarm.IsSet());
    QTest::qWait(60);
    EXPECT_EQ(rings.size(), 1u);
}

// Every file the process may open is taken while the alarm is made.
TEST(TAlarmWithoutTimerfdTest, aQtTimerStandsIn)
{
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    const int next = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(next);
    const rlimit noMore{static_cast<rlim_t>(next), files.rlim_max};
    setrlimit(RLIMIT_NOFILE, &noMore);
    TAlarm alarm;
    setrlimit(RLIMIT_NOFILE, &files);
    EXPECT_FALSE(alarm.IsPrecise());

    std::vector<Clock::time_point> rings;
    alarm.SetOnRing([&] { rings.push_back(Clock::now()); });
    const Clock::time_point moment = Clock::now() + 20ms;
    alarm.SetFor(moment);
    for (int i = 0; i < 200 && rings.empty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_GE(rings[0], moment);
}

TEST_F(TAlarmTest, aMomentAlreadyPastRingsAtOnce)
{
    for (const Clock::time_point past : {Clock::now() - 5ms, Clock::time_point{}}) {
        rings.clear();
        alarm.SetFor(past);
        WaitForRings(1);
        EXPECT_EQ(rings.size(), 1u);
    }
}

} // namespace
} // namespace glintfall
