#include "CommandHook.h"

#include "NetworkWait.h"

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrune::net;

extern char** environ;

namespace kestrune::actions {

namespace {

// Enough for the first lines; the rest is read and dropped so the command never blocks on a full pipe.
constexpr std::size_t kKeptOutput = 4096;
// How long output is still taken after the command ended: what it wrote last, not what its children write on.
constexpr std::chrono::milliseconds kOutputAfterExit{250};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Kills the command's group and reaps it unless released: no child outlives an error or a cancel.
class ChildGuard {
public:
    explicit ChildGuard(pid_t pid) : m_pid(pid) {}
    ~ChildGuard()
    {
        if (m_pid > 0)
            killAndReap();
    }
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    int killAndReap()
    {
        ::kill(-m_pid, SIGKILL);
        ::kill(m_pid, SIGKILL);
        return reap();
    }
    int reap()
    {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid;
};

std::vector<std::string> environmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const std::string& added : extra)
            replaced = replaced || text.starts_with(added.substr(0, added.find('=') + 1));
        if (!replaced)
            result.emplace_back(text);
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (std::string& text : texts)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

void setOutcomeStatus(CommandOutcome& outcome, int status)
{
    if (WIFEXITED(status))
        outcome.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line)
{
    std::vector<std::string> parts;
    std::string current;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                parts.push_back(std::move(current));
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (quoted)
        throw std::invalid_argument("The command has a quote that is not closed.");
    if (inWord)
        parts.push_back(std::move(current));
    return parts;
}

CommandRun commandForAddress(std::string_view commandLine, const std::string& address, const std::string& oldAddress)
{
    CommandRun run;
    run.arguments = splitCommandLine(commandLine);
    for (std::size_t i = 1; i < run.arguments.size(); ++i) {
        std::string& argument = run.arguments[i];
        for (std::size_t at = argument.find("{IP}"); at != std::string::npos; at = argument.find("{IP}", at + address.size()))
            argument.replace(at, 4, address);
    }
    run.environment = {"KESTRUNE_IP=" + address, "KESTRUNE_OLD_IP=" + oldAddress};
    return run;
}

void addIpv6Address(CommandRun& run, const std::string& address6, const std::string& oldAddress6)
{
    constexpr std::string_view kMarker6 = "{IP6}";
    for (std::size_t i = 1; i < run.arguments.size(); ++i) {
        std::string& argument = run.arguments[i];
        for (std::size_t at = argument.find(kMarker6); at != std::string::npos;
             at = argument.find(kMarker6, at + address6.size()))
            argument.replace(at, kMarker6.size(), address6);
    }
    run.environment.push_back("KESTRUNE_IP6=" + address6);
    run.environment.push_back("KESTRUNE_OLD_IP6=" + oldAddress6);
}

std::string CommandOutcome::firstLines(int count) const
{
    std::string out;
    std::size_t start = 0;
    for (int n = 0; n < count && start < output.size();) {
        const std::size_t end = std::min(output.find('\n', start), output.size());
        std::string_view line(output.data() + start, end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        start = end + 1;
        if (line.empty())
            continue;
        if (!out.empty())
            out += " | ";
        out += line;
        ++n;
    }
    return out;
}

std::string CommandOutcome::summary() const
{
    std::string text;
    if (!started)
        return "Command could not be started: " + error;
    if (timedOut)
        text = "Command timed out and was ended";
    else if (signal != 0)
        text = "Command ended by signal " + std::to_string(signal);
    else
        text = "Command ended with exit status " + std::to_string(exitStatus);
    const std::string lines = firstLines(3);
    return lines.empty() ? text + "." : text + ": " + lines;
}

CommandOutcome runCommand(const CommandRun& run)
{
    CommandOutcome outcome;
    if (run.arguments.empty() || run.arguments[0].empty()) {
        outcome.error = "no program is named.";
        return outcome;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        outcome.error = std::strerror(errno);
        return outcome;
    }
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 2);
    // Sockets and files of this program are none of the command's business.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments = run.arguments;
    std::vector<std::string> environment = environmentWith(run.environment);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int spawnError = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    writeEnd.reset();
    if (spawnError != 0) {
        outcome.error = run.arguments[0] + ": " + std::strerror(spawnError);
        return outcome;
    }
    outcome.started = true;
    ChildGuard child(pid);
    const auto deadline = std::chrono::steady_clock::now() + run.limit;

    // The output and the command's end are watched together: a background child may hold the output long
    // after the command itself ended, and only the command's own status counts.
    FileDescriptor exitWatch(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    FileDescriptor events(::epoll_create1(EPOLL_CLOEXEC));
    if (events.get() < 0) {
        outcome.error = std::strerror(errno);
        outcome.started = false;
        return outcome;
    }
    epoll_event watch{};
    watch.events = EPOLLIN;
    watch.data.fd = readEnd.get();
    ::epoll_ctl(events.get(), EPOLL_CTL_ADD, readEnd.get(), &watch);
    if (exitWatch.get() >= 0) {
        watch.data.fd = exitWatch.get();
        ::epoll_ctl(events.get(), EPOLL_CTL_ADD, exitWatch.get(), &watch);
    }

    char buffer[4096];
    bool open = true;
    bool exited = false;
    auto readUntil = deadline;
    while (open) {
        const int left = net::remainingMs(readUntil);
        if (left == 0 || NetworkWait::wait(events.get(), POLLIN, left) == 0) {
            if (net::remainingMs(readUntil) > 0)
                continue;
            if (exited)
                break;
            outcome.timedOut = true;
            child.killAndReap();
            return outcome;
        }
        epoll_event ready[2];
        const int count = ::epoll_wait(events.get(), ready, 2, 0);
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.fd == exitWatch.get()) {
                exited = true;
                readUntil = std::min(deadline, std::chrono::steady_clock::now() + kOutputAfterExit);
                ::epoll_ctl(events.get(), EPOLL_CTL_DEL, exitWatch.get(), nullptr);
                continue;
            }
            const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (got <= 0) {
                open = false;
                break;
            }
            const std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(got),
                                                           kKeptOutput - std::min(kKeptOutput, outcome.output.size()));
            outcome.output.append(buffer, keep);
        }
    }

    // Output closed; the command may still run (it closed its output or handed it on), so its end is awaited
    // within the same limit.
    if (exitWatch.get() >= 0 && !exited) {
        while (true) {
            const int left = net::remainingMs(deadline);
            if (left > 0 && NetworkWait::wait(exitWatch.get(), POLLIN, left) != 0)
                break;
            if (net::remainingMs(deadline) == 0) {
                outcome.timedOut = true;
                child.killAndReap();
                return outcome;
            }
        }
    }
    setOutcomeStatus(outcome, child.reap());
    return outcome;
}

} // namespace kestrune::actions
