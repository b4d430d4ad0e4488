#pragma once

#include "MetricsFile.h"
#include "MonitorObserver.h"
#include "Settings.h"

#include <string>
#include <vector>

namespace kestrune::core {

class Monitor;

// What a run did, taken from the monitor's own events whatever the face: the last check and each step's last
// published address per family go into the settings' run status, the counters into the metrics file. It
// stands between the monitor and the face's observer and takes each event before the face sees it, so a
// face that saves the settings file on publishStateChanged() saves the record with it.
class RunRecord : public MonitorObserver {
public:
    RunRecord(const Monitor& monitor, Settings& settings, MonitorObserver& face);

    // What the settings hold now was published before (a settings file was read): only what changes from here
    // on is recorded as published by this run.
    void restart();
    // A check or a retry round ended: the metrics file is written; after a check the face hears that the
    // settings' state changed.
    void roundEnded(bool checked);

    void addressChanged(const std::string& address) override { m_face.addressChanged(address); }
    void addressFound(const std::string& address) override;
    void windowTitleChanged(const std::string& title) override { m_face.windowTitleChanged(title); }
    void statusChanged(const std::string& text) override { m_face.statusChanged(text); }
    void countdownChanged(const std::string& text) override { m_face.countdownChanged(text); }
    void schedulerStateChanged(bool running) override { m_face.schedulerStateChanged(running); }
    void intervalChanged(int minutes) override { m_face.intervalChanged(minutes); }
    void intervalRuleApplied(int minutes) override { m_face.intervalRuleApplied(minutes); }
    void notice(Notice kind, const std::string& text) override;
    void debugText(const std::string& text) override { m_face.debugText(text); }
    void publishStateChanged() override;
    void publishReported(const std::string& text, bool failed) override { m_face.publishReported(text, failed); }
    void actionFinished(Action action, const std::string& error) override;
    void busyChanged(bool busy, const std::string& text) override { m_face.busyChanged(busy, text); }
    void diagnosisChanged(const std::string& text, bool providerHides) override
    {
        m_face.diagnosisChanged(text, providerHides);
    }
    void serviceAnswered(const std::string& service) override;
    void address6Changed(const std::string& address, const std::string& note) override;
    void watchAddressEvents(int handle) override { m_face.watchAddressEvents(handle); }

private:
    void recordCheck(const std::string& address, const std::string& error);
    void recordPublished(const std::string& name, const std::string& channel, const std::string& address,
                         bool succeeded);
    // name's IPv6 address is recorded when it differs from the one seen before.
    void recordChanged6(const std::string& name, const std::string& address, std::string& seen);
    void writeMetrics();

    const Monitor& m_monitor;
    Settings& m_settings;
    MonitorObserver& m_face;
    MetricsFile m_metrics;
    std::string m_metricsError;
    std::string m_answeredBy;
    // The publish state at the last event, to tell what a step just published.
    std::vector<DnsUpdateEntry> m_seenDnsUpdates;
    std::vector<PendingRetry> m_seenRetries;
    std::string m_seenCommandIp;
    std::string m_seenUploaded6, m_seenMailed6, m_seenLogged6, m_seenCommandIp6;
};

} // namespace kestrune::core
