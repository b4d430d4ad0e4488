#include "NoticeServer.h"

namespace testsupport {

NoticeServer::NoticeServer(const std::string& ntfyToken, const std::string& gotifyToken, uint16_t port)
{
    m_folder.Write("tokens", ntfyToken + "\n" + gotifyToken);
    m_process.Start({KESTRUNE_SYSTEM_PYTHON, KESTRUNE_NOTICE_SERVER_SCRIPT, m_folder.Path(), std::to_string(port)},
                    "notice test server");
}

void NoticeServer::forceStatus(int status) const { m_folder.Write("answer", status ? std::to_string(status) : ""); }

std::vector<nlohmann::json> NoticeServer::requests() const
{
    return ReadJsonLines(m_folder.File("requests"));
}

std::string NoticeServer::body(const nlohmann::json& request)
{
    const std::string hex = request.at("body").get<std::string>();
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace testsupport
