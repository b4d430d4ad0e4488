#include "DnsApiServer.h"

#include <fstream>

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
    std::vector<nlohmann::json> result;
    std::ifstream in(m_folder.File("requests"));
    for (std::string line; std::getline(in, line);)
        result.push_back(nlohmann::json::parse(line));
    return result;
}

nlohmann::json DnsApiServer::state() const { return nlohmann::json::parse(m_folder.Read("state.json")); }

} // namespace testsupport
