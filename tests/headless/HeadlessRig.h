#pragma once

#include "NginxServer.h"
#include "Settings.h"
#include "TempDir.h"

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A settings file in a folder of its own that selects a user-defined page on a private nginx.
struct HeadlessRig {
    explicit HeadlessRig(const std::string& address);
    void setPage(const std::string& address) const;
    // Writes the settings as the window would.
    void save() const { kestrune::core::saveSettingsFile(settings, settingsFile); }
    kestrune::core::Settings saved() const { return kestrune::core::loadSettingsFile(settingsFile, "http://checkip.dyndns.org/"); }
    void useMail(uint16_t port);

    testsupport::TempDir folder{"kestrune-headless"};
    testsupport::TempDir root{"kestrune-page"};
    std::unique_ptr<testsupport::NginxServer> page;
    std::string settingsFile = folder.File("kestrune.ini");
    std::string ipFile = folder.File("ip.txt");
    kestrune::core::Settings settings;
};

// The program run as a process: its standard error in a file, no display in its environment.
class ProgramRun {
public:
    // window: QT_QPA_PLATFORM=offscreen instead of no platform at all. environment is added to the run's; the
    // value kStandardError stands for the device and inode of the run's standard error, as systemd names a stream.
    // input is the run's standard input.
    ProgramRun(const std::vector<std::string>& arguments, bool window = false,
               const std::vector<std::pair<std::string, std::string>>& environment = {}, const std::string& input = {});
    static constexpr const char* kStandardError = "(standard error)";
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return m_pid; }
    // The exit status (128 + signal), or -1 when it has not ended within timeoutMs (it is then killed).
    int wait(int timeoutMs = 30000);
    std::string errors() const;
    std::string output() const;
    // Waits until standard error holds text; false after timeoutMs.
    bool waitForError(const std::string& text, int timeoutMs = 30000) const;
    // Waits until the process holds the flock of file.
    bool waitForLock(const std::string& file, int timeoutMs = 30000) const;

private:
    testsupport::TempDir m_output{"kestrune-stderr"};
    pid_t m_pid = -1;
    int m_status = -1;
};

// An enabled dyndns2 entry for home.example at server, user "me" and password "pw"; its names are in no zone the
// tests serve, so nothing proves them.
kestrune::core::DnsUpdateEntry Dyndns2Entry(const std::string& server);
// The bytes of a file, or "(none)".
std::string Bytes(const std::string& file);
// Every file of a folder with its bytes and change time, to show nothing was touched.
std::string FolderState(const std::string& folder);
