#include "LocalPage.h"
#include "WindowFixture.h"

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

using namespace kestrune::app;

LocalPage::LocalPage(const std::string& body)
{
    setBody(body);
    testsupport::NginxServer::Options options;
    options.DocumentRoot = m_root.Path();
    m_server = std::make_unique<testsupport::NginxServer>(options);
}

QString LocalPage::address() const
{
    return QStringLiteral("127.0.0.1:%1/status.htm").arg(m_server->Port());
}

void LocalPage::setBody(const std::string& body) const { m_root.Write("status.htm", body); }

int LocalPage::requests() const
{
    // nginx writes a log line after the response has gone out. One process serves all requests in turn, so
    // once a request of our own has been answered and its connection closed, every earlier line is written.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(m_server->Port());
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot reach nginx");
    const std::string request = "GET /kestrune-barrier HTTP/1.0\r\nHost: localhost\r\n\r\n";
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        throw std::runtime_error("cannot send to nginx");
    char buffer[4096];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(fd);

    std::ifstream log(m_server->Folder() + "/access.log");
    int count = 0;
    for (std::string line; std::getline(log, line);)
        if (line.find("/kestrune-barrier") == std::string::npos)
            ++count;
    return count;
}

SilentServer::SilentServer()
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 8) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    m_port = ntohs(addr.sin_port);
}

SilentServer::~SilentServer() { ::close(m_fd); }

QString SilentServer::address() const { return QStringLiteral("127.0.0.1:%1/status.htm").arg(m_port); }

bool SilentServer::waitForConnection(int timeoutMs) const
{
    pollfd waiting{m_fd, POLLIN, 0};
    return ::poll(&waiting, 1, timeoutMs) == 1;
}

int SilentServer::release()
{
    int count = 0;
    for (int client; (client = ::accept(m_fd, nullptr, nullptr)) >= 0; ++count)
        ::close(client);
    return count;
}

QString refusingAddress()
{
    return QStringLiteral("127.0.0.1:%1/status.htm").arg(testsupport::NginxServer::FreePort());
}
