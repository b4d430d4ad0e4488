#include "InstanceBeacon.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kestrune::launch;

namespace {

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "kestrune_launch_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

// A socket bound at path that listens and never answers, or (listening false) one left behind unbound.
int plantSocket(const std::string& path, bool listening)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    if (listening)
        EXPECT_EQ(::listen(fd, 4), 0);
    else
        ::close(fd); // the file stays, as a killed window leaves it
    return listening ? fd : -1;
}

} // namespace

// A second window's request, asked from another thread while this one runs the event loop as a window does.
TEST(InstanceBeacon, ASecondWindowReachesTheRunningOneOnlyThroughALiveBeacon)
{
    application();
    const testsupport::TempDir runtime("kestrune-runtime");
    ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    struct BeaconCase {
        std::string name;
        std::function<int(const std::string& socketPath)> before; // returns a descriptor to close at the end
        bool beacon;       // a running window listens
        bool broughtFront; // bringToFront's answer
    };
    const std::vector<BeaconCase> cases = {
        {"nobody there", [](const std::string&) { return -1; }, false, false},
        {"running window", [](const std::string&) { return -1; }, true, true},
        {"socket a killed window left", [](const std::string& path) { return plantSocket(path, false); }, true, true},
        {"listener that never answers", [](const std::string& path) { return plantSocket(path, true); }, false, false},
    };
    const std::filesystem::path settings = runtime.File("kestrune.ini");
    const std::string socketPath = InstanceBeacon::nameFor(settings).toStdString();
    ASSERT_EQ(socketPath.rfind(runtime.Path() + "/kestrune-", 0), 0u) << socketPath;
    for (const BeaconCase& c : cases) {
        ::unlink(socketPath.c_str());
        const int planted = c.before(socketPath);
        std::unique_ptr<InstanceBeacon> running;
        int activations = 0;
        if (c.beacon) {
            running = std::make_unique<InstanceBeacon>(settings);
            EXPECT_TRUE(running->listening()) << c.name;
            QObject::connect(running.get(), &InstanceBeacon::activationRequested, [&] { ++activations; });
        }
        bool answered = !c.broughtFront;
        const auto started = std::chrono::steady_clock::now();
        QEventLoop loop;
        QThread* asker = QThread::create([&] { answered = InstanceBeacon::bringToFront(settings, 500); });
        QObject::connect(asker, &QThread::finished, &loop, &QEventLoop::quit);
        asker->start();
        loop.exec();
        asker->wait();
        delete asker;
        QCoreApplication::processEvents();
        EXPECT_EQ(answered, c.broughtFront) << c.name;
        EXPECT_EQ(activations, c.broughtFront ? 1 : 0) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << c.name;
        running.reset();
        if (planted >= 0)
            ::close(planted);
    }
    ::unsetenv("XDG_RUNTIME_DIR");
}
