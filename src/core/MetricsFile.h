#pragma once

#include "RunStatus.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace kestrune::core {

// The counters of a run for node_exporter's textfile collector: checks and publish steps by outcome since the
// run began, beside the last check's time, the address's age and the retries waiting.
class MetricsFile {
public:
    void checked(bool succeeded) { ++m_checks[succeeded]; }
    // channel: "upload", "mail", "ipfile", "log", "command", "dns<i>".
    void published(const std::string& channel, bool succeeded) { ++m_publish[channel][succeeded]; }

    // Prometheus text format.
    std::string text(const RunStatus& status, std::size_t pendingRetries, long long now) const;
    // Through the safe writer: a reader never sees half a file, a link planted at the name is replaced.
    void write(const std::filesystem::path& file, const RunStatus& status, std::size_t pendingRetries,
               long long now) const;

private:
    std::map<bool, long long> m_checks;
    std::map<std::string, std::map<bool, long long>> m_publish;
};

} // namespace kestrune::core
