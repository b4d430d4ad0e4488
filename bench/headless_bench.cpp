// Headless figures, of the real program with no display: start-up to its first request, and resident memory
// after many checks against a local page (each started by SIGHUP, which reads the settings and checks at once).
//
// usage: headless_bench startup [runs] | checks [count] WINDOW_AFTER_MB
//   WINDOW_AFTER_MB: the window's resident memory after as many checks (window_bench checks), the peer of the
//   memory row; its target is a third of it. The start-up row's peer is its target of 10 ms.
#include "BenchReport.h"
#include "BenchWeb.h"
#include "Settings.h"
#include "TempDir.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune::core;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The program with --headless on a settings file, no display variables, standard error into a pipe.
class HeadlessProgram {
public:
    explicit HeadlessProgram(const std::string& settingsFile)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<std::string> args{KESTRUNE_EXECUTABLE, "--headless", "--config", settingsFile};
        std::vector<char*> argp, envp;
        for (std::string& a : args)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        started = Clock::now();
        const int rc = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        errors = fds[0];
        if (rc != 0)
            throw std::runtime_error("cannot start " + args[0]);
    }
    ~HeadlessProgram()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(errors);
    }
    // Reads standard error until text has come count times in all.
    void waitFor(const std::string& text, int count)
    {
        while (occurrences(text) < count) {
            pollfd p{errors, POLLIN, 0};
            char buffer[4096];
            const ssize_t n = ::poll(&p, 1, 30000) == 1 ? ::read(errors, buffer, sizeof buffer) : -1;
            if (n <= 0)
                throw std::runtime_error("the program stopped reporting; it said: " + output);
            output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    int occurrences(const std::string& text) const
    {
        int count = 0;
        for (std::size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + text.size()))
            ++count;
        return count;
    }
    long residentKilobytes() const
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::strtol(line.c_str() + 6, nullptr, 10);
        throw std::runtime_error("no VmRSS");
    }
    int end()
    {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t pid = -1;
    int errors = -1;
    std::string output;
    Clock::time_point started;
};

void WriteSettings(const std::string& file, const std::string& page, int interval)
{
    Settings settings = defaultSettings("http://checkip.dyndns.org/");
    settings.external = false;
    settings.userDefined = true;
    settings.selectedRouter = 0;
    settings.routers = {{"Home", "1"}};
    settings.routersData = {{"1," + page + ",WAN IP:,0", "0"}};
    settings.interval = interval;
    saveSettingsFile(settings, file);
}

// A listening socket that answers one request with a status page.
class FirstRequest {
public:
    FirstRequest()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port = ntohs(addr.sin_port);
    }
    ~FirstRequest() { ::close(fd); }
    // Accepts the first connection; the moment it came; answers it.
    Clock::time_point serve()
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 30000) != 1)
            throw std::runtime_error("no request came");
        const Clock::time_point at = Clock::now();
        const int connection = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::read(connection, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string body = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        [[maybe_unused]] const ssize_t written = ::write(connection, reply.data(), reply.size());
        ::close(connection);
        return at;
    }
    uint16_t port = 0;

private:
    int fd = -1;
};

int Startup(int runs)
{
    testsupport::TempDir folder("kestrune-bench-headless");
    const std::string settings = folder.File("kestrune.ini");
    std::vector<double> ms;
    for (int i = 0; i <= runs; ++i) {
        FirstRequest server;
        WriteSettings(settings, "127.0.0.1:" + std::to_string(server.port) + "/status.htm", 0);
        HeadlessProgram program(settings);
        const Clock::time_point requested = server.serve();
        program.waitFor("Address found: 10.1.2.3", 1);
        // The first run loads the program into the page cache.
        if (i > 0)
            ms.push_back(std::chrono::duration<double, std::milli>(requested - program.started).count());
    }
    const double median = Median(ms);
    PrintRow(Format("headless start-up to its first request, no display, %d runs, vs 10 ms target", runs),
             Format("median %.2f ms, slowest %.2f ms (launch to the page's accept)", median,
                    *std::max_element(ms.begin(), ms.end())),
             median / 10.0);
    return 0;
}

int Checks(int count, double windowAfterMb)
{
    BenchWeb web;
    web.Write("window/status.htm", "<html><body>WAN IP: 10.1.2.3 Mask</body></html>");
    testsupport::TempDir folder("kestrune-bench-headless");
    const std::string settings = folder.File("kestrune.ini");
    WriteSettings(settings, web.BaseURL().substr(7) + "/window/status.htm", 2880);
    const int requestsBefore = web.WindowRequests();
    HeadlessProgram program(settings);
    program.waitFor("Checking every", 1);
    const long startKb = program.residentKilobytes();
    for (int i = 1; i < count; ++i) {
        ::kill(program.pid, SIGHUP);
        program.waitFor("Address found: 10.1.2.3", i + 1);
    }
    const long afterKb = program.residentKilobytes();
    if (program.end() != 0)
        throw std::runtime_error("the program did not end cleanly on SIGTERM");
    // nginx logs a request after its response; give the last line a moment.
    for (int waited = 0; web.WindowRequests() - requestsBefore < count && waited < 2000; waited += 20)
        ::usleep(20000);
    if (web.WindowRequests() - requestsBefore < count)
        throw std::runtime_error("the page was fetched " + std::to_string(web.WindowRequests() - requestsBefore) +
                                 " times");
    const double afterMb = static_cast<double>(afterKb) / 1024.0;
    PrintRow(Format("headless program, resident memory after %d checks against a local page, vs the window's "
                    "after as many (target under 0.33)", count),
             Format("start %.1f MB, after %.1f MB; window %.1f MB", static_cast<double>(startKb) / 1024.0, afterMb,
                    windowAfterMb),
             afterMb / windowAfterMb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup")
        return Startup(argc > 2 ? std::atoi(argv[2]) : 20);
    if (mode == "checks" && argc > 3)
        return Checks(std::atoi(argv[2]), std::atof(argv[3]));
    std::fprintf(stderr, "usage: headless_bench startup [runs] | checks COUNT WINDOW_AFTER_MB\n");
    return 2;
} catch (const std::exception& error) {
    std::fprintf(stderr, "headless_bench: %s\n", error.what());
    return 1;
}
