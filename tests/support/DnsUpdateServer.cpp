#include "DnsUpdateServer.h"

#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

// The value of "key": "..." in one JSON line the server wrote (it escapes only quotes and backslashes here).
std::string field(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\": \"";
    std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return {};
    std::string value;
    for (at += marker.size(); at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size())
            ++at;
        value += line[at];
    }
    return value;
}

} // namespace

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
    std::ifstream in(m_folder.File("requests"));
    for (std::string line; std::getline(in, line);)
        result.push_back({field(line, "path"), field(line, "authorization"), field(line, "agent")});
    return result;
}

} // namespace testsupport
