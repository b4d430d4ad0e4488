#pragma once

#include "Transport.h"
#include "SocketHandle.h"

#include <memory>

namespace kestrune::net {

// The plain socket transport. The TLS handler derives from it: it adds its handshake after the TCP
// connect and overrides Recv, Send, Readable and Close.
class SocketTransport : public Transport {
public:
    SocketTransport();
    ~SocketTransport() override;

    void open() override;
    void connectClient(const std::string& host, uint16_t port, const std::string& boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool connected() const override;
    bool readable(int timeoutMs) override;
    int recv(void* buffer, std::size_t length) override;
    int send(const void* buffer, std::size_t length, int timeoutMs) override;
    void close() override;

    int handle() const override;
    std::string localIp() const override;
    uint16_t localPort() const override;
    std::string peerIp() const override;
    uint16_t peerPort() const override;

    // Server side of a data connection: listen on ip (empty = any) and port (0 = system's choice), then
    // Accept replaces the listening socket by the accepted one (timeoutMs -1 = no limit). With onlyFromIP,
    // peers from any other address are closed and the wait goes on.
    void listen(const std::string& ip, uint16_t port, int backlog);
    void accept(int timeoutMs, const std::string& onlyFromIP = {});

    bool useNagle = true;
    SocketHandle* binding() { return m_binding.get(); }
    const SocketHandle* binding() const { return m_binding.get(); }

private:
    std::unique_ptr<SocketHandle> m_binding;
};

} // namespace kestrune::net
