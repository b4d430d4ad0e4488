#include "HeadlessRig.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

using namespace kestrune::core;

namespace {

bool Within(int timeoutMs, const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

HeadlessRig::HeadlessRig(const std::string& address) : settings(defaultSettings("http://checkip.dyndns.org/"))
{
    setPage(address);
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root.Path();
    page = std::make_unique<testsupport::NginxServer>(options);
    settings.external = false;
    settings.userDefined = true;
    settings.selectedRouter = 0;
    settings.routers = {{"Home", "1"}};
    settings.routersData = {{"1,127.0.0.1:" + std::to_string(page->Port()) + "/status.htm,WAN IP:,0", "0"}};
    settings.interval = 0;
    // The page shows a private address; the public-address rule has cases of its own.
    settings.publicOnly = false;
    settings.saveIp = true;
    settings.ipFilename = ipFile;
}

void HeadlessRig::setPage(const std::string& address) const
{
    root.Write("status.htm", "<html><body>WAN IP: " + address + " Mask</body></html>");
}

void HeadlessRig::useMail(uint16_t port)
{
    settings.sendMail = true;
    settings.mailTo = "owner@home.example";
    settings.mailServer = "127.0.0.1";
    settings.mailPort = std::to_string(port);
    settings.mailFrom = "kestrune@home.example";
    settings.webAuth = true;
    settings.webUser = "owner";
    settings.webPass = "mail-Secret-9";
}

ProgramRun::ProgramRun(const std::vector<std::string>& arguments, bool window,
                       const std::vector<std::pair<std::string, std::string>>& environment, const std::string& input)
{
    const std::string errorFile = m_output.File("stderr.txt");
    const std::string outputFile = m_output.File("stdout.txt");
    const std::string inputFile = m_output.Write("stdin.txt", input);
    m_pid = ::fork();
    if (m_pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::dup2(::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        ::dup2(::open(inputFile.c_str(), O_RDONLY), STDIN_FILENO);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            ::unsetenv(name);
        if (window)
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        for (const auto& [name, value] : environment) {
            struct stat st {};
            ::fstat(STDERR_FILENO, &st);
            const std::string stream = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
            ::setenv(name.c_str(), value == kStandardError ? stream.c_str() : value.c_str(), 1);
        }
        std::vector<char*> argv{const_cast<char*>(KESTRUNE_EXECUTABLE)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(KESTRUNE_EXECUTABLE, argv.data());
        ::_exit(127);
    }
}

ProgramRun::~ProgramRun()
{
    if (m_status == -1 && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

int ProgramRun::wait(int timeoutMs)
{
    if (m_status != -1)
        return m_status;
    int status = 0;
    if (!Within(timeoutMs, [&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; })) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_status = -2;
        return -1;
    }
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_status;
}

std::string ProgramRun::errors() const { return Bytes(m_output.File("stderr.txt")); }

std::string ProgramRun::output() const { return Bytes(m_output.File("stdout.txt")); }

bool ProgramRun::waitForError(const std::string& text, int timeoutMs) const
{
    return Within(timeoutMs, [&] { return errors().find(text) != std::string::npos; });
}

bool ProgramRun::waitForLock(const std::string& file, int timeoutMs) const
{
    // /proc/locks names each lock's holder and the device and inode of its file.
    return Within(timeoutMs, [&] {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0)
            return false;
        const std::string inode = ":" + std::to_string(st.st_ino) + " ";
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find(" FLOCK ") != std::string::npos && line.find(" " + std::to_string(m_pid) + " ") != std::string::npos &&
                line.find(inode) != std::string::npos)
                return true;
        return false;
    });
}

kestrune::core::DnsUpdateEntry Dyndns2Entry(const std::string& server)
{
    kestrune::core::DnsUpdateEntry entry;
    entry.enabled = true;
    entry.provider = "dyndns2";
    entry.server = server;
    entry.hosts = "home.example";
    entry.user = "me";
    entry.password = "pw";
    entry.verify = "off";
    return entry;
}

std::string Bytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
}

std::string FolderState(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        files[entry.path().filename().string()] =
            std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + " " + Bytes(entry.path().string());
    }
    std::string state;
    for (const auto& [name, file] : files)
        state += name + " " + file + "\n";
    return state;
}
