#include "DnsApiServer.h"

namespace testsupport {

DnsApiServer::DnsApiServer(const nlohmann::json& state)
{
    m_folder.Write("state.json", state.dump());
    m_process.Start({KESTRUNE_SYSTEM_PYTHON, KESTRUNE_DNS_API_SERVER_SCRIPT, m_folder.Path()}, "DNS API test server");
}

void DnsApiServer::queue(const std::vector<nlohmann::json>& answers) const
{
    std::string lines;
    for (const nlohmann::json& answer : answers)
        lines += answer.dump() + "\n";
    m_folder.Write("canned", lines);
}

std::vector<nlohmann::json> DnsApiServer::requests() const
{
    return ReadJsonLines(m_folder.File("requests"));
}

nlohmann::json DnsApiServer::state() const { return nlohmann::json::parse(m_folder.Read("state.json")); }

} // namespace testsupport
