#include "MetricsFile.h"

#include "ActionFiles.h"

#include <algorithm>

namespace kestrune::core {

namespace {

const char* result(bool succeeded) { return succeeded ? "success" : "failure"; }

void describe(std::string& out, const char* name, const char* type, const char* help)
{
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

} // namespace

std::string MetricsFile::text(const RunStatus& status, std::size_t pendingRetries, long long now) const
{
    std::string out;
    describe(out, "kestrune_last_check_timestamp_seconds", "gauge", "When the last check ended.");
    out += "kestrune_last_check_timestamp_seconds " + std::to_string(status.lastCheck) + "\n";
    describe(out, "kestrune_checks_total", "counter", "Checks since the run began, by result.");
    for (bool succeeded : {true, false}) {
        const auto found = m_checks.find(succeeded);
        out += std::string("kestrune_checks_total{result=\"") + result(succeeded) + "\"} " +
               std::to_string(found == m_checks.end() ? 0 : found->second) + "\n";
    }
    describe(out, "kestrune_publish_total", "counter", "Publish steps since the run began, by channel and result.");
    for (const auto& [channel, results] : m_publish)
        for (bool succeeded : {true, false}) {
            const auto found = results.find(succeeded);
            out += "kestrune_publish_total{channel=\"" + channel + "\",result=\"" + result(succeeded) + "\"} " +
                   std::to_string(found == results.end() ? 0 : found->second) + "\n";
        }
    describe(out, "kestrune_address_age_seconds", "gauge", "Seconds since the address last changed.");
    out += "kestrune_address_age_seconds " +
           std::to_string(status.changed == 0 ? 0 : std::max(0LL, now - status.changed)) + "\n";
    describe(out, "kestrune_pending_retries", "gauge", "Publish steps waiting for another try.");
    out += "kestrune_pending_retries " + std::to_string(pendingRetries) + "\n";
    return out;
}

void MetricsFile::write(const std::filesystem::path& file, const RunStatus& status, std::size_t pendingRetries,
                        long long now) const
{
    actions::replaceFileContents(file, text(status, pendingRetries, now), "metrics file");
}

} // namespace kestrune::core
