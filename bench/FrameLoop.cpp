// Runs the real window on the current display with a synthetic trail, moves the pointer as a
// person drawing would (or leaves it still, or moves it elsewhere on the screen), and reports for
// each case the frames presented per second, the process's CPU use and wake-ups and the X server's
// CPU use, and once the time to the first frame.
// Usage: frame_loop [DOTS [SECONDS [CASE...]]], CASE among those in kCases, or all (the default).

#include "Application.h"
#include "Dialogs.h"
#include "PointerDriver.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "TImage.h"
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace glintfall;
using Clock = std::chrono::steady_clock;

namespace {

// Dialogs would wait for a person; the benchmark only says what they would have shown.
class PrintedDialogs : public Dialogs {
public:
    void ShowErrorReport(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowMessage(QWidget* window, const QString&, const QString& text, MessageIcon, bool) override
    {
        ShowErrorReport(window, text);
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

// Where the pointer is while a case runs.
enum class Pointer { RestsOnCanvas, CirclesOnCanvas, CirclesElsewhere };

struct Case {
    std::string_view name;
    Pointer pointer;
    bool cycling;
};

// "all" is the first four; "cycling" is what the tool measured before it had cases.
constexpr Case kCases[] = {
    {"resting", Pointer::RestsOnCanvas, false},
    {"drawing", Pointer::CirclesOnCanvas, false},
    {"drawing-cycling", Pointer::CirclesOnCanvas, true},
    {"elsewhere", Pointer::CirclesElsewhere, false},
    {"cycling", Pointer::RestsOnCanvas, true},
};
constexpr std::span<const Case> kAllCases(kCases, 4);

// The cases named, all when none is; nothing when a name is unknown.
std::optional<std::vector<Case>> ChosenCases(std::vector<std::string_view> names)
{
    if (names.empty())
        names.push_back("all");
    std::vector<Case> chosen;
    for (const std::string_view name : names) {
        const auto* known =
            std::find_if(std::begin(kCases), std::end(kCases), [name](const Case& c) { return c.name == name; });
        if (name == "all")
            chosen.insert(chosen.end(), kAllCases.begin(), kAllCases.end());
        else if (known != std::end(kCases))
            chosen.push_back(*known);
        else
            return std::nullopt;
    }
    return chosen;
}

// The X server of $DISPLAY, found by the display argument it was started with; 0 when there is
// none to be seen, for instance when it runs in another container or on another machine.
pid_t FindXServer()
{
    const char* display = std::getenv("DISPLAY");
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    if (!colon)
        return 0;
    const std::string wanted(colon, std::strcspn(colon, "."));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream file(entry.path() / "cmdline");
        std::vector<std::string> args;
        for (std::string arg; std::getline(file, arg, '\0');)
            args.push_back(arg);
        const std::string program = args.empty() ? "" : std::filesystem::path(args[0]).filename().string();
        const bool server = program == "Xvfb" || program == "Xorg" || program == "Xwayland" || program == "X";
        if (server && std::find(args.begin() + 1, args.end(), wanted) != args.end())
            return std::atoi(entry.path().filename().c_str());
    }
    return 0;
}

// The CPU time another process has used, user and system, from its line in /proc.
std::optional<double> CpuSeconds(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(file, line);
    // The name in parentheses may hold spaces; utime and stime are the 12th and 13th fields after it.
    const std::size_t nameEnd = line.rfind(')');
    if (pid == 0 || nameEnd == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 0; field < 11; ++field)
        fields >> skipped;
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(fields >> user >> system))
        return std::nullopt;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// What has been used up to one moment; two of them give a case's figures.
struct Snapshot {
    Clock::time_point at;
    long frames = 0;
    Usage process;
    std::optional<double> xServerSeconds;
};

void PrintCase(std::string_view name, const Snapshot& begin, const Snapshot& end)
{
    const double elapsed = std::chrono::duration<double>(end.at - begin.at).count();
    char xServer[32] = "n/a";
    if (begin.xServerSeconds && end.xServerSeconds) {
        const double used = *end.xServerSeconds - *begin.xServerSeconds;
        std::snprintf(xServer, sizeof xServer, "%.1f %%", 100.0 * used / elapsed);
    }
    std::printf("case %.*s: frames/s %.1f, CPU %.1f %% of one core, wake-ups/s %.0f, X server CPU %s\n",
                static_cast<int>(name.size()), name.data(), (end.frames - begin.frames) / elapsed,
                100.0 * (end.process.cpuSeconds - begin.process.cpuSeconds) / elapsed,
                (end.process.wakeUps - begin.process.wakeUps) / elapsed, xServer);
    std::fflush(stdout);
}

// A centre for circles that touch neither the window's outer rectangle nor the strip of one pixel
// right of and below it, which still counts as over the window: the first screen corner with room.
std::optional<QPoint> FarFromWindow(const QRect& outer, const QRect& screen)
{
    const int reach = PointerDriver::kLargestRadius;
    const QPoint corner(reach, reach);
    const QRect centres = screen.adjusted(reach, reach, -reach, -reach);
    for (const QPoint centre : {centres.topLeft(), centres.topRight(), centres.bottomLeft(), centres.bottomRight()}) {
        if (!QRect(centre - corner, centre + corner).intersects(outer.adjusted(0, 0, 1, 1)))
            return centre;
    }
    return std::nullopt;
}

// Runs the cases one after another on the event loop, so that the frame tick goes on as in the
// program. Each case first settles for a second: the pointer reaches its path, and what the case
// before left behind passes.
class CaseRunner {
public:
    CaseRunner(std::vector<Case> cases, std::chrono::seconds length, TForm1& form, Scene& scene,
               const CountingHost& counter, PointerDriver& pointer)
        : m_cases(std::move(cases)), m_length(length), m_form(form), m_scene(scene), m_counter(counter),
          m_pointer(pointer)
    {
    }

    void StartNext()
    {
        if (m_next == m_cases.size()) {
            QApplication::quit();
        } else if (SetUp(m_cases[m_next])) {
            QTimer::singleShot(std::chrono::seconds(1), [this] { Begin(); });
        } else {
            std::printf("case %s: no room on the screen to move the pointer outside the window\n",
                        std::string(m_cases[m_next++].name).c_str());
            StartNext();
        }
    }

private:
    // Sets the colours and the pointer as the case wants them; false when there is no room on the
    // screen to move the pointer outside the window.
    bool SetUp(const Case& chosen)
    {
        m_scene.cycling = chosen.cycling;
        std::optional<QPoint> centre = m_form.Image1->mapToGlobal(m_form.Image1->rect().center());
        if (chosen.pointer == Pointer::CirclesElsewhere)
            centre = FarFromWindow(m_form.frameGeometry(), m_form.screen()->geometry());
        if (!centre)
            return false;
        if (chosen.pointer == Pointer::RestsOnCanvas)
            m_pointer.RestAt(centre->x(), centre->y());
        else
            m_pointer.CircleAround(centre->x(), centre->y());
        return true;
    }

    void Begin()
    {
        m_begin = Measure();
        QTimer::singleShot(m_length, [this] { End(); });
    }

    void End()
    {
        if (!m_pointer.Running()) {
            std::fprintf(stderr, "frame_loop: the pointer driver has ended\n");
            QApplication::exit(1);
            return;
        }
        PrintCase(m_cases[m_next++].name, m_begin, Measure());
        StartNext();
    }

    Snapshot Measure() const
    {
        return {Clock::now(), m_counter.frames, UsageNow(), CpuSeconds(m_xServer)};
    }

    std::vector<Case> m_cases;
    std::chrono::seconds m_length;
    TForm1& m_form;
    Scene& m_scene;
    const CountingHost& m_counter;
    PointerDriver& m_pointer;
    pid_t m_xServer = FindXServer();
    std::size_t m_next = 0;
    Snapshot m_begin;
};

} // namespace

int main(int argc, char** argv)
{
    const long dots = argc > 1 ? std::atol(argv[1]) : 10000000;
    const std::chrono::seconds seconds(argc > 2 ? std::atoi(argv[2]) : 8);
    const std::optional<std::vector<Case>> cases = ChosenCases({argv + std::min(argc, 3), argv + argc});
    if (!cases) {
        std::fprintf(stderr, "usage: frame_loop [DOTS [SECONDS [CASE...]]], CASE one of all, resting, drawing, "
                             "drawing-cycling, elsewhere, cycling\n");
        return 2;
    }
    // Started before anything else, since it is a forked child that must hold no copy of Qt's state.
    PointerDriver pointer;
    const Clock::time_point start = Clock::now();

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
    std::optional<CaseRunner> runner;
    counter.afterFirstFrame = [&] {
        FillTrail(scene, dots);
        std::printf("dots %ld\n", static_cast<long>(scene.dotCount()));
        std::printf("first frame after %.0f ms\n",
                    std::chrono::duration<double, std::milli>(counter.firstFrame - start).count());
        std::fflush(stdout);
        runner.emplace(*cases, seconds, form, scene, counter, pointer);
        runner->StartNext();
    };
    return QApplication::exec();
}
