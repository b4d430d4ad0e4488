#include "Spawn.h"

#include "BenchReport.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& extra)
{
    std::vector<std::string> entries(extra);
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& x : extra)
            overridden = overridden || x.compare(0, name.size() + 1, name + "=") == 0;
        if (!overridden)
            entries.push_back(entry);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

long long RealtimeNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

int ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

} // namespace

RunResult RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    std::vector<std::string> args(argv), env = Environment(extraEnv);
    std::vector<char*> argp = Pointers(args), envp = Pointers(env);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    RunResult result;
    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    result.StartNs = RealtimeNs();
    const int rc = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw std::system_error(rc, std::generic_category(), "posix_spawn " + argv[0]);
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        result.Output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.WallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    result.ExitCode = ExitCodeOf(status);
    return result;
}

pid_t StartInBackground(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                        const std::string& workingFolder)
{
    std::vector<std::string> args(argv), env = Environment(extraEnv);
    std::vector<char*> argp = Pointers(args), envp = Pointers(env);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        // Should the benchmark be killed, the program it started ends with it instead of idling on.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
            ::_exit(126);
        if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0)
            ::_exit(126);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

int StopProcess(pid_t pid, int timeoutMs)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return status;
}

double TimeCommand(const std::vector<std::string>& argv, const std::string& outputStart)
{
    const RunResult run = RunToEnd(argv);
    if (run.ExitCode != 0 || !run.Output.starts_with(outputStart))
        throw std::runtime_error(argv[0] + " ended with " + std::to_string(run.ExitCode) + ": " + run.Output);
    return run.WallMs;
}

void CompareCommands(const std::string& name, const std::vector<std::string>& ours,
                     const std::vector<std::string>& curl, int runs, const std::string& curlOutputStart)
{
    TimeCommand(ours);
    TimeCommand(curl, curlOutputStart);
    std::vector<double> o, c;
    for (int i = 0; i < runs; ++i) {
        o.push_back(TimeCommand(ours));
        c.push_back(TimeCommand(curl, curlOutputStart));
    }
    PrintRow(name, Format("ours %.1f ms, curl %.1f ms (medians of %d)", Median(o), Median(c), runs),
             Median(o) / Median(c));
}
