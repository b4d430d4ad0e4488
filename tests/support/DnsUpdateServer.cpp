#include "DnsUpdateServer.h"

namespace testsupport {

DnsUpdateServer::DnsUpdateServer()
{
    m_process.Start({KESTRUNE_SYSTEM_PYTHON, KESTRUNE_DNS_UPDATE_SERVER_SCRIPT, m_folder.Path()}, "DNS update test server");
}

void DnsUpdateServer::answer(int status, const std::string& body) const
{
    m_folder.Write("answer", std::to_string(status) + "\n" + body);
}

std::vector<DnsUpdateServer::Request> DnsUpdateServer::requests() const
{
    std::vector<Request> result;
    for (const nlohmann::json& line : ReadJsonLines(m_folder.File("requests")))
        result.push_back({line["path"], line["authorization"], line["agent"]});
    return result;
}

} // namespace testsupport
