// Runs the real window on the current display with a synthetic trail and a still cursor, and
// reports the frames presented per second, the process's CPU use and wake-ups, and the time to the
// first frame.
// Usage: frame_loop [DOTS [SECONDS [cycling]]]

#include "Application.h"
#include "Dialogs.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "TImage.h"
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <cstring>
#include <random>

using namespace glintfall;
using Clock = std::chrono::steady_clock;

namespace {

// Dialogs would wait for a person; the benchmark only says what they would have shown.
class PrintedDialogs : public Dialogs {
public:
    void ShowErrorReport(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowMessage(QWidget*, const QString&, const QString& text, MessageIcon, bool) override
    {
        ShowErrorReport(text);
    }
    std::optional<QString> AskSaveFileName(QWidget*, const SaveDialogRequest&) override { return std::nullopt; }
    bool ConfirmOverwrite(QWidget*, const QString&) override { return false; }
};

class CountingHost : public QtFrameHost {
public:
    using QtFrameHost::QtFrameHost;

    void PresentFrame(const TABitmap& frame, const Damage& changed) override
    {
        QtFrameHost::PresentFrame(frame, changed);
        if (frames++ == 0) {
            firstFrame = Clock::now();
            QTimer::singleShot(0, afterFirstFrame);
        }
    }

    long frames = 0;
    Clock::time_point firstFrame;
    std::function<void()> afterFirstFrame;
};

void FillTrail(Scene& scene, long dots)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(-6, 6);
    int x = 240;
    int y = 240;
    while (scene.dotCount() < dots) {
        x = std::clamp(x + step(random), -40, 520);
        y = std::clamp(y + step(random), -40, 520);
        scene.dots.Append({x, y, 1});
        scene.dots.Append({480 - x, 480 - y, 1});
    }
}

// What the process has used so far, all its threads together.
struct Usage {
    double cpuSeconds = 0;
    long wakeUps = 0; // context switches, voluntary and involuntary: each one is a wake-up
};

Usage UsageNow()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
}

} // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = Clock::now();
    const long dots = argc > 1 ? std::atol(argv[1]) : 10000000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool cycling = argc > 3 && std::strcmp(argv[3], "cycling") == 0;

    Scene scene(QtFrameHost::ClockNow());
    PrepareQtPlatform(argc, argv);
    QApplication application(argc, argv);
    ApplyPlatformDefaults(application);
    QDir::setCurrent(QStringLiteral(GLINTFALL_SOURCE_DIR));
    PrintedDialogs dialogs;
    TForm1 form(scene, dialogs);
    auto host = std::make_unique<CountingHost>(form, *form.Image1, form.Mouse);
    CountingHost& counter = *host;
    form.SetFrameHost(std::move(host));
    form.show();

    // The trail is built after the first frame, so that start-up is timed as a user sees it.
    long framesAtStart = 0;
    Usage atStart;
    Clock::time_point measureStart;
    counter.afterFirstFrame = [&] {
        FillTrail(scene, dots);
        scene.cycling = cycling;
        framesAtStart = counter.frames;
        atStart = UsageNow();
        measureStart = Clock::now();
        QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
    };
    QApplication::exec();

    const double elapsed = std::chrono::duration<double>(Clock::now() - measureStart).count();
    const double firstFrameMs = std::chrono::duration<double, std::milli>(counter.firstFrame - start).count();
    std::printf("dots %ld\n", static_cast<long>(scene.dotCount()));
    std::printf("frames per second %.1f\n", (counter.frames - framesAtStart) / elapsed);
    const Usage used = UsageNow();
    std::printf("process CPU %.1f %% of one core\n", 100.0 * (used.cpuSeconds - atStart.cpuSeconds) / elapsed);
    std::printf("wake-ups per second %.0f\n", (used.wakeUps - atStart.wakeUps) / elapsed);
    std::printf("first frame after %.0f ms\n", firstFrameMs);
    return 0;
}
