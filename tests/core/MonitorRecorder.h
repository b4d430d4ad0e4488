#pragma once

#include "InterfaceAddresses.h"
#include "Monitor.h"

#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// What a monitor told its face, kept for the monitor's tests.
struct MonitorRecorder : kestrune::core::MonitorObserver {
    using Notice = kestrune::core::Notice;
    void addressChanged(const std::string& text) override { address = text; }
    void addressFound(const std::string& text) override { found = text; }
    void windowTitleChanged(const std::string& text) override { title = text; }
    void statusChanged(const std::string& text) override { status = text; }
    void countdownChanged(const std::string& text) override { countdowns.push_back(text); }
    void schedulerStateChanged(bool state) override { running = state; }
    void intervalChanged(int minutes) override { intervals.push_back(minutes); }
    void notice(Notice kind, const std::string& text) override { notices[kind].push_back(text); }
    void debugText(const std::string& text) override { debug.push_back(text); }
    void publishReported(const std::string& text, bool failed) override { reported.emplace_back(text, failed); }
    void serviceAnswered(const std::string& service) override { answeredBy = service; }
    void diagnosisChanged(const std::string& text, bool hides) override { diagnoses.emplace_back(text, hides); }
    void actionFinished(kestrune::core::Action action, const std::string& error) override
    {
        if (action == kestrune::core::Action::Notice)
            noticeErrors.push_back(error);
    }

    std::string address, found, title, status, answeredBy;
    std::vector<std::string> countdowns, debug, noticeErrors;
    std::vector<int> intervals;
    std::map<Notice, std::vector<std::string>> notices;
    std::vector<std::pair<std::string, bool>> reported, diagnoses;
    bool running = false;
};

// A global address on eth0, as the kernel's list would show it.
inline kestrune::lookup::InterfaceAddress GlobalAddress(const std::string& address)
{
    kestrune::lookup::InterfaceAddress entry;
    entry.interfaceName = "eth0";
    entry.address = address;
    entry.prefixLength = 64;
    return entry;
}

// Timers the test fires by hand.
struct ManualTimers : kestrune::core::TimerService {
    void start(kestrune::core::TimerId id, std::chrono::milliseconds interval) override { active[id] = interval; }
    void stop(kestrune::core::TimerId id) override { active.erase(id); }
    std::map<kestrune::core::TimerId, std::chrono::milliseconds> active;
};

} // namespace testsupport
