#include "LocalPage.h"
#include "FormFixture.h"

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

TLocalPage::TLocalPage(const std::string& body)
{
    SetBody(body);
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root_.Path();
    server_ = std::make_unique<testsupport::NginxServer>(options);
}

QString TLocalPage::Address() const
{
    return QStringLiteral("127.0.0.1:%1/status.htm").arg(server_->Port());
}

void TLocalPage::SetBody(const std::string& body) const { root_.Write("status.htm", body); }

int TLocalPage::Requests() const
{
    // nginx writes a log line after the response has gone out. One process serves all requests in turn, so
    // once a request of our own has been answered and its connection closed, every earlier line is written.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server_->Port());
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot reach nginx");
    const std::string request = "GET /kestrune-barrier HTTP/1.0\r\nHost: localhost\r\n\r\n";
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        throw std::runtime_error("cannot send to nginx");
    char buffer[4096];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(fd);

    std::ifstream log(server_->Folder() + "/access.log");
    int count = 0;
    for (std::string line; std::getline(log, line);)
        if (line.find("/kestrune-barrier") == std::string::npos)
            ++count;
    return count;
}

TSilentServer::TSilentServer()
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(addr.sin_port);
}

TSilentServer::~TSilentServer() { ::close(fd_); }

QString TSilentServer::Address() const { return QStringLiteral("127.0.0.1:%1/status.htm").arg(port_); }

bool TSilentServer::WaitForConnection(int timeoutMs) const
{
    pollfd waiting{fd_, POLLIN, 0};
    return ::poll(&waiting, 1, timeoutMs) == 1;
}

int TSilentServer::Release()
{
    int count = 0;
    for (int client; (client = ::accept(fd_, nullptr, nullptr)) >= 0; ++count)
        ::close(client);
    return count;
}

QString RefusingAddress()
{
    return QStringLiteral("127.0.0.1:%1/status.htm").arg(testsupport::NginxServer::FreePort());
}
