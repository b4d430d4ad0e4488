#include "FormFixture.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// True once the process runs the program and has a handler of its own for signalNumber (the "SigCgt" mask
// of /proc; before the exec the child still shows the test's own handlers).
bool CatchesSignal(pid_t pid, int signalNumber, const std::string& executable)
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
int WaitForExit(pid_t pid, int timeoutMs)
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

} // namespace

class ShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void signalRunsTheClosePath_data();
    void signalRunsTheClosePath();
    void firstShowProbeReportsAndQuits();
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
    const std::string executable = folder.File("kestrune");
    fs::copy_file(KESTRUNE_EXECUTABLE, executable);
    fs::permissions(executable, fs::perms::owner_all);
    folder.Write("kestrune.ini", CrLf("[System]\nInterval=77\n[Extra]\nKeep=me\n"));
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
    while (!CatchesSignal(pid, signalNumber, executable) && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(20);
    QVERIFY(CatchesSignal(pid, signalNumber, executable));
    QVERIFY(::kill(pid, signalNumber) == 0);
    const int status = WaitForExit(pid, 30000);
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
    const std::string executable = folder.File("kestrune");
    fs::copy_file(KESTRUNE_EXECUTABLE, executable);
    fs::permissions(executable, fs::perms::owner_all);
    folder.Write("kestrune.ini", CrLf("[System]\nInterval=77\n"));
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

QTEST_MAIN(ShutdownTest)
#include "ShutdownTest.moc"
