#pragma once

#include "AppPaths.h"
#include "EventLog.h"
#include "EventLoop.h"
#include "Monitor.h"
#include "RunStatus.h"
#include "Settings.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kestrune::headless {

// The monitor without a window: the settings file's checks and change actions, as the window runs them with
// auto-start on, every event one line for a log (never a password). The last uploaded and mailed addresses go
// back into the settings file after each check that changed them, so no later run publishes them again.
class HeadlessRunner : public core::MonitorObserver, public core::TimerService {
public:
    using LineWriter = std::function<void(const std::string&)>;

    // Lines go to writeLine (standard error by default).
    explicit HeadlessRunner(const core::AppPaths& paths, LineWriter writeLine = {});
    HeadlessRunner(const core::AppPaths& paths, EventLog log);
    ~HeadlessRunner() override;
    HeadlessRunner(const HeadlessRunner&) = delete;
    HeadlessRunner& operator=(const HeadlessRunner&) = delete;

    // Reads the settings file; false, with the error reported, when it cannot be read.
    bool load();
    // One check with its change actions, whatever the interval; its exit status: 0 an address was found
    // (published or unchanged), 1 the lookup failed or found no valid address, 2 a publish step failed (an
    // upload, mail, file, dynamic-DNS entry, a held entry included, or the command).
    int checkOnce();
    // --test-notice: one test notice through entry number (from 1); 0 when the server took it, 2 otherwise.
    int testNotice(int number);
    // A check at once, then one every Interval minutes until requestStop(); with Interval 0 the one check's status.
    int run();
    // SIGTERM and SIGINT: stores the state and ends run() with 0 (1 when the state could not be written).
    void requestStop();
    // SIGHUP: reads the settings file again and starts over with a check at once; a file that cannot be read
    // leaves the settings read before in use, and says so.
    void requestReload();
    // Writes the last uploaded and mailed addresses into the settings file when they changed since it was
    // read or last written; false, with the error reported, when that failed.
    bool saveState();

    core::Monitor& monitor() { return *m_monitor; }
    // The loop run() runs: the signals and systemd's watchdog join it.
    EventLoop& loop() { return m_loop; }
    const EventLog& log() const { return m_log; }
    // Where the status line after each check goes as well (systemd's STATUS=); not owned.
    void setServiceNotifier(class ServiceNotifier* notifier) { m_service = notifier; }
    // The start-up line: the version, the settings file and the lookup the loaded settings use.
    void reportStart() const;
    // The last line: how the run ended and why.
    void reportEnd(const std::string& why, int status) const;

    // MonitorObserver
    void addressChanged(const std::string& address) override;
    void addressFound(const std::string& address) override;
    void windowTitleChanged(const std::string&) override {}
    void statusChanged(const std::string& text) override;
    void countdownChanged(const std::string&) override {}
    void schedulerStateChanged(bool) override {}
    void intervalChanged(int minutes) override;
    void notice(core::Notice kind, const std::string& text) override;
    void actionFinished(core::Action action, const std::string& error) override;
    void publishReported(const std::string& text, bool failed) override;
    void debugText(const std::string& text) override;
    void serviceAnswered(const std::string& service) override;
    void busyChanged(bool busy, const std::string& text) override;
    void diagnosisChanged(const std::string& text, bool providerHides) override;
    void address6Changed(const std::string& address, const std::string& note) override;
    void watchAddressEvents(int handle) override;

    // TimerService
    void start(core::TimerId id, std::chrono::milliseconds interval) override;
    void stop(core::TimerId id) override;

private:
    void reportReasoning(const std::string& text);
    void apply(const core::Settings& settings);
    void startChecks();
    int checkStatus() const;
    int statusAfterSaving();
    void report(Level level, const std::string& text) const;
    void checked(const std::string& outcome);

    core::AppPaths m_paths;
    EventLog m_log;
    ServiceNotifier* m_service = nullptr;
    core::Settings m_settings;
    std::string m_savedUploaded;
    std::string m_savedMailed;
    std::string m_savedUploaded6;
    std::string m_savedMailed6;
    // The publish steps' state as last written: each entry's last address and hold, the retries, the command's.
    std::vector<kestrune::core::DnsUpdateEntry> m_savedDnsUpdates;
    std::vector<kestrune::core::PendingRetry> m_savedRetries;
    std::string m_savedCommandIP;
    core::RunStatus m_savedStatus;
    std::string m_savedDiagnosis;
    core::NoticeState m_savedNoticeState;
    std::unique_ptr<core::Monitor> m_monitor;
    EventLoop m_loop;
    std::map<core::TimerId, EventLoop::TimerId> m_timers;
    int m_addressEvents = -1;
    bool m_found = false;
    bool m_lookupFailed = false;
    bool m_actionFailed = false;
    // The last publish step's line: a notice that repeats it (a held entry's balloon) is not said twice.
    std::string m_lastStepLine;
    std::string m_lastReasoning;  // the status line and the busy text often say the same
};

} // namespace kestrune::headless
