#include "TApplicationEvents.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace glintfall {
namespace {

// An idle handler that counts its calls and asks to be called again at once.
TApplicationEvents::IdleHandler CountingHandler(int& calls)
{
    return [&calls](bool& Done) {
        ++calls;
        Done = false;
    };
}

TEST(ApplicationEventsTest, callsAgainAtOnceWhileDoneIsFalse)
{
    TApplicationEvents idle;
    int calls = 0;
    idle.SetOnIdle(CountingHandler(calls));
    idle.Start();
    QTest::qWait(20);
    EXPECT_GT(calls, 10);
    idle.Stop();
    const int callsAtStop = calls;
    QTest::qWait(20);
    EXPECT_EQ(calls, callsAtStop);
}

TEST(ApplicationEventsTest, doneLeftTrueWaitsForTheNextEvent)
{
    TApplicationEvents idle;
    int calls = 0;
    idle.SetOnIdle([&](bool&) { ++calls; });
    idle.Start();
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    QObject receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);
}

// News that reaches the program outside Qt's events ends the wait too, and a moment named with
// Done left true is the latest the wait lasts.
TEST(ApplicationEventsTest, waitForAnEventEndsAtAWakeUpOrAtTheLatestMoment)
{
    using Clock = TApplicationEvents::Clock;
    TApplicationEvents idle;
    std::vector<Clock::time_point> calls;
    Clock::time_point latest;
    idle.SetOnIdle([&](bool&) {
        calls.push_back(Clock::now());
        if (calls.size() == 2) {
            latest = Clock::now() + std::chrono::milliseconds(60);
            idle.CallAgainAt(latest);
        }
    });
    idle.Start();
    QTest::qWait(20);
    ASSERT_EQ(calls.size(), 1u);
    idle.WakeUp();
    QTest::qWait(20);
    ASSERT_EQ(calls.size(), 2u);
    for (int i = 0; i < 50 && calls.size() < 3; ++i)
        QTest::qWait(10);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_GE(calls[2], latest);
}

TEST(ApplicationEventsTest, sleepsUntilTheMomentNamedWhileEventsGoOn)
{
    using namespace std::chrono_literals;
    using Clock = TApplicationEvents::Clock;
    TApplicationEvents idle;
    std::vector<Clock::time_point> calls;
    Clock::time_point wanted;
    idle.SetOnIdle([&](bool& Done) {
        calls.push_back(Clock::now());
        Done = false;
        if (calls.size() == 1) {
            wanted = Clock::now() + 150ms;
            idle.CallAgainAt(wanted);
        }
    });
    idle.Start();
    int eventsMeanwhile = 0;
    QTimer::singleShot(20, [&] { ++eventsMeanwhile; });
    QTest::qWait(100);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(eventsMeanwhile, 1);
    for (int i = 0; i < 200 && calls.size() < 2; ++i)
        QTest::qWait(10);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_GE(calls[1], wanted);
    EXPECT_GT(calls.size(), 5u) << "without a moment named, the calls come at once again";
}

TEST(ApplicationEventsTest, pausesNestAndResume)
{
    TApplicationEvents idle;
    int calls = 0;
    idle.SetOnIdle(CountingHandler(calls));
    idle.Start();
    {
        const TApplicationEvents::Pause outer(idle);
        {
            const TApplicationEvents::Pause inner(idle);
        }
        EXPECT_FALSE(idle.IsRunning());
        QTest::qWait(10);
        EXPECT_EQ(calls, 0);
    }
    EXPECT_TRUE(idle.IsRunning());
}

TEST(ApplicationEventsTest, aPauseOrStopSilencesAWaitingCall)
{
    TApplicationEvents idle;
    int calls = 0;
    std::chrono::milliseconds ahead(30);
    idle.SetOnIdle([&](bool& Done) {
        ++calls;
        Done = false;
        idle.CallAgainAt(TApplicationEvents::Clock::now() + ahead);
    });
    idle.Start();
    QTest::qWait(10);
    ASSERT_EQ(calls, 1);
    {
        const TApplicationEvents::Pause paused(idle);
        EXPECT_FALSE(idle.IsRunning());
        QTest::qWait(100);
        EXPECT_EQ(calls, 1) << "the moment named before the pause passed without a call";
        ahead = std::chrono::hours(1);
    }
    QTest::qWait(50);
    EXPECT_EQ(calls, 2) << "a call comes at once after the pause";
    idle.Stop();
    EXPECT_FALSE(idle.IsRunning());
}

} // namespace
} // namespace glintfall
