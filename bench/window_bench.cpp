// Window figures. The real program, offscreen, against an empty QMainWindow: start-up to the first shown
// window, resident memory after start, and CPU and wake-ups while it idles with the scheduler on. In this
// process, through the same window class: resident memory after many checks against a local page, and the
// longest gap of a 10 ms timer while a fetch waits on a silent server.
//
// usage: window_bench startup [runs] | idle [seconds] | checks [count] | timer [waits]
#include "BenchReport.h"
#include "BenchWeb.h"
#include "Application.h"
#include "MainWindow.h"
#include "WindowFixture.h"
#include "LocalPage.h"
#include "Spawn.h"
#include "SpinBox.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

using namespace kestrune::app;

namespace {

namespace fs = std::filesystem;

constexpr const char* kStatusPage = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";
constexpr const char* kAddress = "10.1.2.3";
constexpr const char* kStatusPath = "window/status.htm";

volatile std::sig_atomic_t gStopRequested = 0;

// Sleeps; a SIGTERM or SIGINT meanwhile ends the measurement by an exception, so that the programs it
// started are stopped and their folders removed.
void Pause(std::chrono::milliseconds time)
{
    std::this_thread::sleep_for(time);
    if (gStopRequested)
        throw std::runtime_error("stopped by a signal");
}

long ResidentKilobytes(const std::string& statusFile = "/proc/self/status")
{
    std::ifstream status(statusFile);
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    throw std::runtime_error("no VmRSS in " + statusFile);
}

// An executable copied into a folder of its own, so that its settings and help files stay there.
class CopiedProgram {
public:
    // module: a library the program loads from beside itself, copied along when given.
    CopiedProgram(const std::string& executable, const std::string& name, const std::string& module = {})
        : path_(fs::path(folder_.Path()) / name)
    {
        fs::copy_file(executable, path_);
        fs::permissions(path_, fs::perms::owner_all);
        if (!module.empty())
            fs::copy_file(module, File(fs::path(module).filename().string()));
    }
    const fs::path& Path() const { return path_; }
    fs::path File(const std::string& name) const { return path_.parent_path() / name; }

private:
    testsupport::TempDir folder_{"kestrune-bench-program"};
    fs::path path_;
};

struct ShownDialog {
    double StartupMs;
    long RssKb;
};

ShownDialog RunUntilShown(const CopiedProgram& program, const std::vector<std::string>& arguments = {})
{
    // Every run starts without settings, as a first start does: no auto-check.
    fs::remove(program.File("kestrune.ini"));
    std::vector<std::string> command{program.Path().string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const RunResult run = RunToEnd(command, {"QT_QPA_PLATFORM=offscreen", "KESTRUNE_EXIT_AFTER_SHOW=1"});
    long long shownNs = 0;
    long rssKb = 0;
    if (run.ExitCode != 0 || std::sscanf(run.Output.c_str(), "shown %lld rss_kb %ld", &shownNs, &rssKb) != 2)
        throw std::runtime_error(program.Path().string() + " ended with " + std::to_string(run.ExitCode) +
                                 " and printed \"" + run.Output + "\"");
    return {(shownNs - run.StartNs) / 1e6, rssKb};
}

int Startup(int runs)
{
    const CopiedProgram ours(KESTRUNE_EXECUTABLE, "kestrune", KESTRUNE_WINDOW_MODULE), bare(KESTRUNE_BARE_WINDOW, "bare_window");
    RunUntilShown(ours); // loads both into the page cache
    RunUntilShown(bare);
    std::vector<double> oursMs, bareMs, oursKb, bareKb, labelMs, labelKb;
    for (int i = 0; i < runs; ++i) {
        const ShownDialog a = RunUntilShown(ours), b = RunUntilShown(bare), c = RunUntilShown(bare, {"label"});
        oursMs.push_back(a.StartupMs);
        bareMs.push_back(b.StartupMs);
        labelMs.push_back(c.StartupMs);
        oursKb.push_back(static_cast<double>(a.RssKb));
        bareKb.push_back(static_cast<double>(b.RssKb));
        labelKb.push_back(static_cast<double>(c.RssKb));
    }
    const double o = Median(oursMs), b = Median(bareMs);
    PrintRow(Format("program start-up to first shown window, offscreen, no auto-check, %d runs each, "
                    "vs bare QMainWindow", runs),
             Format("ours %.1f ms, bare %.1f ms (medians; launch to first paint)", o, b), o / b);
    const double ok = Median(oursKb), bk = Median(bareKb);
    PrintRow("program resident memory after start, vs bare QMainWindow",
             Format("ours %.1f MB, bare %.1f MB (medians)", ok / 1024, bk / 1024), ok / bk);
    // For reference: what the first line of text alone costs the bare window.
    const double l = Median(labelMs), lk = Median(labelKb);
    PrintRow("program start-up to first shown window, as above, vs bare QMainWindow with one text label",
             Format("ours %.1f ms, bare with a label %.1f ms (medians; the label alone %.2fx the bare)", o, l, l / b),
             o / l);
    PrintRow("program resident memory after start, vs bare QMainWindow with one text label",
             Format("ours %.1f MB, bare with a label %.1f MB (medians; the label alone %.2fx the bare)", ok / 1024,
                    lk / 1024, lk / bk),
             ok / lk);
    return 0;
}

// CPU time in ns and context switches (each a sleep, so each a wake-up) of one thread.
struct Usage {
    double CpuNs = 0;
    long Switches = 0;
};

std::map<std::string, Usage> ThreadUsages(pid_t pid)
{
    std::map<std::string, Usage> usages;
    std::error_code gone;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", gone)) {
        Usage& usage = usages[task.path().filename().string()];
        std::ifstream(task.path() / "schedstat") >> usage.CpuNs;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                usage.Switches += std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    }
    return usages;
}

// What all threads of a process used over a time. A thread that ends meanwhile (Qt's pooled threads end after
// 30 s idle) takes its counters with it, so each thread's last reading, taken every 100 ms, counts.
Usage UsageOver(pid_t pid, int seconds)
{
    const std::map<std::string, Usage> first = ThreadUsages(pid);
    std::map<std::string, Usage> last = first;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        Pause(std::chrono::milliseconds(100));
        for (const auto& [thread, usage] : ThreadUsages(pid))
            last[thread] = usage;
    }
    Usage total;
    for (const auto& [thread, usage] : last) {
        const auto before = first.find(thread);
        total.CpuNs += usage.CpuNs - (before == first.end() ? 0 : before->second.CpuNs);
        total.Switches += usage.Switches - (before == first.end() ? 0 : before->second.Switches);
    }
    return total;
}

struct Idle {
    double CpuMs;
    long WakeUps;
};

// Runs the program offscreen, lets it settle after ready() says so, then measures it for the given time.
// cleanEnd: the program must end through its own close path with exit code 0 on SIGTERM.
template <typename Ready>
Idle MeasureIdle(const CopiedProgram& program, int seconds, bool cleanEnd, Ready&& ready)
{
    const pid_t pid = StartInBackground({program.Path().string()}, {"QT_QPA_PLATFORM=offscreen"},
                                        program.Path().parent_path().string());
    try {
        ready();
        Pause(std::chrono::seconds(2));
        const Usage used = UsageOver(pid, seconds);
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != 0)
            throw std::runtime_error(program.Path().string() + " ended during the measurement");
        status = StopProcess(pid, 10000);
        if (cleanEnd && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
            throw std::runtime_error(program.Path().string() + " did not end cleanly on SIGTERM");
        return {used.CpuNs / 1e6, used.Switches};
    } catch (...) {
        StopProcess(pid, 1000);
        throw;
    }
}

int Idle(int seconds)
{
    BenchWeb web;
    web.Write(kStatusPath, kStatusPage);
    const CopiedProgram ours(KESTRUNE_EXECUTABLE, "kestrune", KESTRUNE_WINDOW_MODULE), bare(KESTRUNE_BARE_WINDOW, "bare_window");
    const std::string page = web.BaseURL().substr(std::string("http://").size()) + "/" + kStatusPath;
    // A user-defined lookup of the local page, checked at start and then every 30 minutes.
    std::ofstream(ours.File("kestrune.ini"), std::ios::binary)
        << "[Router]\r\nSelectedRouter=0\r\n[Routers]\r\nHome=1\r\n[RoutersData]\r\n1," << page
        << ",WAN IP:,0=0\r\n[System]\r\nInterval=30\r\nAutoStart=1\r\n";
    const int requestsBefore = web.WindowRequests();
    const struct Idle o = MeasureIdle(ours, seconds, true, [&] {
        for (int waited = 0; web.WindowRequests() == requestsBefore; waited += 50) {
            if (waited > 30000)
                throw std::runtime_error("the program did not check the local page at start");
            Pause(std::chrono::milliseconds(50));
        }
    });
    const struct Idle b = MeasureIdle(bare, seconds, false, [] {});
    const double perMinute = o.CpuMs * 60.0 / seconds;
    PrintRow(Format("program idle CPU over %d s, scheduler on, offscreen, vs budget of 50 ms per minute", seconds),
             Format("ours %.2f ms (%.2f ms/min), %ld wake-ups; bare QMainWindow %.2f ms, %ld wake-ups", o.CpuMs,
                    perMinute, o.WakeUps, b.CpuMs, b.WakeUps),
             perMinute / 50.0);
    return 0;
}

void useUserDefinedPage(MainWindow& form, const QString& address)
{
    form.userLookupsTab()->userDefinedRadio()->setChecked(true);
    form.userLookupsTab()->urlEdit()->setText(address);
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP:"));
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
    form.systemTab()->intervalSpin()->setValue(0); // the Start button becomes "Update": one check per click
}

void ShowAndSettle(MainWindow& form)
{
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        throw std::runtime_error("the window was not exposed");
    QCoreApplication::processEvents();
}

int Checks(int count)
{
    BenchWeb web;
    web.Write(kStatusPath, kStatusPage);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    ShowAndSettle(form);
    const long startKb = ResidentKilobytes();
    useUserDefinedPage(form, QString::fromStdString(web.BaseURL().substr(7) + "/" + kStatusPath));
    const int requestsBefore = web.WindowRequests();
    std::vector<double> checkMs;
    for (int i = 0; i < count; ++i) {
        form.addressLabel()->clear();
        QElapsedTimer clock;
        clock.start();
        form.onStartClicked();
        checkMs.push_back(clock.nsecsElapsed() / 1e6);
        // Between checks the program returns to its event loop; so does this one.
        QCoreApplication::processEvents();
        if (form.addressLabel()->text() != QLatin1String(kAddress) || !fixture.dialogs.errors().isEmpty())
            throw std::runtime_error("check " + std::to_string(i + 1) + " showed \"" +
                                     form.addressLabel()->text().toStdString() + "\"");
    }
    const long afterKb = ResidentKilobytes();
    // nginx logs a request after its response; give the last line a moment.
    for (int waited = 0; web.WindowRequests() - requestsBefore < count && waited < 2000; waited += 20)
        QTest::qWait(20);
    const int requests = web.WindowRequests() - requestsBefore;
    if (requests < count)
        throw std::runtime_error("the page was fetched " + std::to_string(requests) + " times");
    PrintRow(Format("window in-process, resident memory after %d checks against a local page, vs after start", count),
             Format("start %.1f MB, after %.1f MB; median check %.2f ms", startKb / 1024.0, afterKb / 1024.0,
                    Median(checkMs)),
             static_cast<double>(afterKb) / static_cast<double>(startKb));
    return 0;
}

int Timer(int waits)
{
    constexpr qint64 kWaitMs = 1000;
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    ShowAndSettle(form);
    useUserDefinedPage(form, silent.address());
    std::vector<double> longest;
    long ticks = 0;
    for (int i = 0; i < waits; ++i) {
        QTimer timer;
        timer.setInterval(10);
        timer.setTimerType(Qt::PreciseTimer);
        QElapsedTimer clock;
        qint64 last = 0, gap = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            gap = std::max(gap, now - last);
            last = now;
            ++ticks;
        });
        QTimer::singleShot(kWaitMs, &form, [&] { silent.release(); });
        clock.start();
        timer.start();
        form.onTestLookupClicked();
        timer.stop();
        if (clock.elapsed() < kWaitMs * 9 / 10)
            throw std::runtime_error("the fetch did not wait on the silent server");
        // The gap up to the fetch's end counts too: the timer may not have ticked since.
        gap = std::max(gap, clock.nsecsElapsed() - last);
        longest.push_back(gap / 1e6);
    }
    const double worst = *std::max_element(longest.begin(), longest.end());
    PrintRow(Format("window in-process, 10 ms timer, longest gap while a fetch waits on a silent server (%d x 1 s), "
                    "vs 20 ms target", waits),
             Format("longest %.2f ms, median of the waits' longest %.2f ms, %ld ticks", worst, Median(longest), ticks),
             worst / 20.0);
    return 0;
}

int Count(int argc, char** argv, int fallback)
{
    return argc > 2 ? std::atoi(argv[2]) : fallback;
}

} // namespace

int main(int argc, char** argv)
try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup")
        return Startup(Count(argc, argv, 20));
    if (mode == "idle") {
        std::signal(SIGTERM, [](int) { gStopRequested = 1; });
        std::signal(SIGINT, [](int) { gStopRequested = 1; });
        return Idle(Count(argc, argv, 60));
    }
    if (mode != "checks" && mode != "timer") {
        std::fprintf(stderr, "usage: window_bench startup [runs] | idle [seconds] | checks [count] | timer [waits]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return mode == "checks" ? Checks(Count(argc, argv, 1000)) : Timer(Count(argc, argv, 5));
} catch (const std::exception& error) {
    std::fprintf(stderr, "window_bench: %s\n", error.what());
    return 1;
}
