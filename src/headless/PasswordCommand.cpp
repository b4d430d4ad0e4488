#include "PasswordCommand.h"

#include "CommandLine.h"
#include "ExternalServices.h"
#include "InstanceLock.h"
#include "NetworkWait.h"
#include "Settings.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>

using namespace kestrune::core;

namespace kestrune::headless {

namespace {

// Echo off for as long as it lives, and back on whatever way the read ends.
class HiddenInput {
public:
    explicit HiddenInput(int fd) : m_fd(fd)
    {
        if (::tcgetattr(fd, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        m_hidden = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~HiddenInput()
    {
        if (m_hidden)
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

private:
    int m_fd;
    termios m_saved {};
    bool m_hidden = false;
};

// One line without its line end; nothing when a termination signal came first. A signal ends the wait, which
// otherwise lasts as long as the user takes to type.
std::optional<std::string> readLine(int fd)
{
    std::string line;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {net::NetworkWait::cancelFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            return std::nullopt;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0)
            continue;
        if (n == 0 || c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

int setPasswordFromInput(const AppPaths& paths, const std::string& target, const EventLog& log)
{
    const launch::InstanceLock lock(paths.settingsFile);
    if (!lock.acquired()) {
        log.write(Level::Error, lock.state() == launch::InstanceLock::State::HeldElsewhere
                                    ? lock.alreadyRunningText() + " Stop it first; its settings would be written over."
                                    : lock.error());
        return lock.state() == launch::InstanceLock::State::HeldElsewhere ? launch::kExitAlreadyRunning
                                                                         : launch::kExitError;
    }
    Settings settings;
    try {
        settings = loadSettingsFile(paths.settingsFile, lookup::kExternalServices[0].url);
    } catch (const std::exception& error) {
        log.write(Level::Error, error.what());
        return launch::kExitError;
    }
    std::size_t entry = 0;
    if (target.starts_with("dns:")) {
        const std::string_view digits = std::string_view(target).substr(4);
        std::from_chars(digits.data(), digits.data() + digits.size(), entry);
        if (entry == 0 || entry > settings.dnsUpdates.size()) {
            log.write(Level::Error, "There is no DNS entry " + std::string(digits) + " in " +
                                        paths.settingsFile.string() + " (it has " +
                                        std::to_string(settings.dnsUpdates.size()) + ").");
            return launch::kExitError;
        }
    }

    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    std::optional<std::string> secret;
    if (terminal) {
        std::fprintf(stderr, "Password for %s: ", target.c_str());
        std::fflush(stderr);
        const HiddenInput hidden(STDIN_FILENO);
        secret = readLine(STDIN_FILENO);
        std::fputs("\n", stderr);
    } else {
        secret = readLine(STDIN_FILENO);
    }
    if (!secret) {
        log.write(Level::Error, "No password stored: the program was asked to end.");
        return launch::kExitError;
    }
    if (secret->find('\0') != std::string::npos || secret->find('\r') != std::string::npos) {
        log.write(Level::Error, "No password stored: it holds a character the settings file cannot keep.");
        return launch::kExitError;
    }

    std::string note;
    if (target == "mail") {
        settings.webPass = *secret;
    } else if (target == "command") {
        settings.commandPassword = *secret;
    } else if (target == "ftp") {
        settings.ftpPassword = *secret;
        if (!settings.ftpSavePass)
            note = " SavePass is now 1, without which it would not be kept.";
        settings.ftpSavePass = true;
    } else {
        // As an edit in the window: a new password lifts a hold and sends the address again.
        DnsUpdateEntry edited = settings.dnsUpdates[entry - 1];
        edited.password = *secret;
        settings.dnsUpdates[entry - 1] = editedDnsUpdateEntry(settings.dnsUpdates[entry - 1], edited);
    }
    try {
        ensureAppFolder(paths);
        saveSettingsFile(settings, paths.settingsFile);
    } catch (const std::exception& error) {
        log.write(Level::Error, error.what());
        return launch::kExitError;
    }
    log.write(Level::Notice, "The password for " + target + " is stored in " + paths.settingsFile.string() + "." + note);
    return launch::kExitOk;
}

} // namespace kestrune::headless
