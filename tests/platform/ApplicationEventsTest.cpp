#include "TApplicationEvents.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

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

} // namespace
} // namespace glintfall
