#include "WindowFixture.h"
#include "LocalPage.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kestrune::app;

namespace fs = std::filesystem;

namespace {

// True once the process runs the program and has a handler of its own for signalNumber (the "SigCgt" mask
// of /proc; before the exec the child still shows the test's own handlers).
bool catchesSignal(pid_t pid, int signalNumber, const std::string& executable)
{
    std::error_code error;
    if (fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) != fs::path(executable))
        return false;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signalNumber - 1)) & 1u;
    return false;
}

// Waits for the child to end; its exit status, or -1 when it is still running at the deadline.
int waitForExit(pid_t pid, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        QTest::qWait(20);
    }
    return -1;
}

// Starts the program offscreen with no signal blocked; its standard error goes to errorFile when given.
pid_t launch(const std::string& executable, const std::string& errorFile = {})
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (!errorFile.empty()) {
            const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDERR_FILENO);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// The exit status once the program has ended, killed and -1 when it has not within timeoutMs.
int reap(pid_t pid, int timeoutMs)
{
    const int status = waitForExit(pid, timeoutMs);
    if (status == -1) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return status;
}

// A copy of the program, with its window module beside it, in folder.
std::string copyProgram(const testsupport::TempDir& folder)
{
    const std::string executable = folder.File("kestrune");
    fs::copy_file(KESTRUNE_EXECUTABLE, executable);
    fs::permissions(executable, fs::perms::owner_all);
    fs::copy_file(KESTRUNE_WINDOW_MODULE, folder.File(fs::path(KESTRUNE_WINDOW_MODULE).filename().string()));
    return executable;
}

// A copy of the program in folder, with a help file present and the settings given.
std::string programIn(const testsupport::TempDir& folder, const std::string& settings)
{
    const std::string executable = copyProgram(folder);
    folder.Write("kestrune.ini", crLf(settings));
    folder.Write("kestrune.html", "<html></html>");
    return executable;
}

} // namespace

class ShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void signalRunsTheClosePath_data();
    void signalRunsTheClosePath();
    void firstShowProbeReportsAndQuits();
    void signalDuringStartUpCheckEndsAfterIt();
    void signalClosesTheFirstCheckErrorBox();
    void unwritableSettingsStillEndOnSignal();
};

void ShutdownTest::signalRunsTheClosePath_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void ShutdownTest::signalRunsTheClosePath()
{
    QFETCH(int, signalNumber);
    testsupport::TempDir folder("kestrune-shutdown");
    const std::string executable = copyProgram(folder);
    folder.Write("kestrune.ini", crLf("[System]\nInterval=77\n[Extra]\nKeep=me\n"));
    const std::string help = folder.Write("kestrune.html", "<html></html>");

    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!catchesSignal(pid, signalNumber, executable) && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(20);
    QVERIFY(catchesSignal(pid, signalNumber, executable));
    QVERIFY(::kill(pid, signalNumber) == 0);
    const int status = waitForExit(pid, 30000);
    if (status == -1) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    QCOMPARE(status, 0);
    const std::string settings = folder.Read("kestrune.ini");
    QVERIFY2(settings.find("Interval=77\r\n") != std::string::npos, settings.c_str());
    QVERIFY(settings.find("Subject=Feedback from Kestrune\r\n") != std::string::npos);
    QVERIFY(settings.find("[Extra]\r\nKeep=me\r\n") != std::string::npos);
    QVERIFY(!fs::exists(help));
}

// The hook start-up benchmarks use: one line after the first paint, then the program's own quit path.
void ShutdownTest::firstShowProbeReportsAndQuits()
{
    testsupport::TempDir folder("kestrune-probe");
    const std::string executable = copyProgram(folder);
    folder.Write("kestrune.ini", crLf("[System]\nInterval=77\n"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KESTRUNE_EXIT_AFTER_SHOW"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    const qint64 launchedMs = QDateTime::currentMSecsSinceEpoch();
    program.start(QString::fromStdString(executable), {});
    const bool finished = program.waitForFinished(30000);
    const qint64 endedMs = QDateTime::currentMSecsSinceEpoch();
    if (!finished)
        program.kill();
    QVERIFY(finished);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString output = QString::fromLatin1(program.readAllStandardOutput());
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^shown (\\d+) rss_kb (\\d+)\n$")).match(output);
    QVERIFY2(line.hasMatch(), qPrintable(output));
    const qint64 shownMs = line.captured(1).toLongLong() / 1000000;
    QVERIFY(shownMs >= launchedMs && shownMs <= endedMs);
    QVERIFY(line.captured(2).toLong() > 1000);
    const std::string settings = folder.Read("kestrune.ini");
    QVERIFY2(settings.find("Interval=77\r\n") != std::string::npos, settings.c_str());
    QVERIFY(settings.find("Subject=Feedback from Kestrune\r\n") != std::string::npos);
}

// The first check waits on a silent page; a failed lookup then mails to a silent server, a wait the signal
// must have cancelled before it began.
void ShutdownTest::signalDuringStartUpCheckEndsAfterIt()
{
    SilentServer page;
    SilentServer mail;
    testsupport::TempDir folder("kestrune-early");
    const std::string executable =
        programIn(folder, "[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," +
                              page.address().toStdString() +
                              ",WAN IP:,0=0\n[Mail]\nSendmail=1\nTo=a@example.com\nFrom=b@example.com\n"
                              "Server=127.0.0.1\nPort=" + mail.port().toStdString() +
                              "\n[System]\nAutoStart=1\nInterval=0\n");
    const pid_t pid = launch(executable);
    QVERIFY(pid > 0);
    const bool checking = page.waitForConnection(30000);
    const bool caught = catchesSignal(pid, SIGTERM, executable);
    if (checking && caught) {
        ::kill(pid, SIGTERM);
        page.release();
    }
    const int status = reap(pid, checking && caught ? 20000 : 0);
    QVERIFY(checking);
    QVERIFY(caught);
    QCOMPARE(status, 0);
    const std::string settings = folder.Read("kestrune.ini");
    QVERIFY2(settings.find("Subject=Feedback from Kestrune\r\n") != std::string::npos, settings.c_str());
    QVERIFY(!fs::exists(folder.File("kestrune.html")));
}

// The first check's IP file is read-only: its error box waits for an answer when the signal comes.
void ShutdownTest::signalClosesTheFirstCheckErrorBox()
{
    LocalPage page("<html>WAN IP: 198.51.100.3 Mask</html>");
    testsupport::TempDir folder("kestrune-errorbox");
    const std::string ipFile = folder.Write("ip.txt", "");
    ::chmod(ipFile.c_str(), 0444);
    const std::string executable =
        programIn(folder, "[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," +
                              page.address().toStdString() + ",WAN IP:,0=0\n[Local]\nSaveIP=1\nFilename=" + ipFile +
                              "\n[System]\nAutoStart=1\nInterval=0\n");
    const pid_t pid = launch(executable);
    QVERIFY(pid > 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (page.requests() == 0 && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(20);
    const bool checked = page.requests() > 0 && catchesSignal(pid, SIGTERM, executable);
    if (checked)
        ::kill(pid, SIGTERM);
    const int status = reap(pid, checked ? 5000 : 0);
    QVERIFY(checked);
    QCOMPARE(status, 0);
    const std::string settings = folder.Read("kestrune.ini");
    QVERIFY2(settings.find("Subject=Feedback from Kestrune\r\n") != std::string::npos, settings.c_str());
    QVERIFY(!fs::exists(folder.File("kestrune.html")));
}

void ShutdownTest::unwritableSettingsStillEndOnSignal()
{
    testsupport::TempDir folder("kestrune-readonly");
    testsupport::TempDir output("kestrune-stderr");
    const std::string executable = programIn(folder, "[System]\nInterval=77\n");
    const std::string ini = folder.File("kestrune.ini");
    ::chmod(ini.c_str(), 0444);
    const pid_t pid = launch(executable, output.File("stderr.txt"));
    QVERIFY(pid > 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!catchesSignal(pid, SIGTERM, executable) && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(20);
    ::kill(pid, SIGTERM);
    QCOMPARE(reap(pid, 30000), 1);
    const std::string error = output.Read("stderr.txt");
    QVERIFY2(error.find(ini) != std::string::npos, error.c_str());
    QCOMPARE(folder.Read("kestrune.ini"), crLf("[System]\nInterval=77\n"));
}

QTEST_MAIN(ShutdownTest)
#include "ShutdownTest.moc"
