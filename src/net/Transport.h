#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrune::net {

// Wait arguments of the network layer: -1 = the caller's default (readTimeout), -2 = no limit.
inline constexpr int kTimeoutDefault = -1;
inline constexpr int kTimeoutInfinite = -2;

// The address family a connection uses; a name is looked up in that family alone.
enum class IpFamily { V4, V6 };

// The byte transport under a connection: plain socket, TLS over a socket, or in memory.
class Transport {
public:
    virtual ~Transport() = default;

    // The family of the next connectClient.
    void setFamily(IpFamily family) { m_family = family; }
    IpFamily family() const { return m_family; }

    // Prepares a fresh transport before a connect (a new socket object).
    virtual void open() = 0;
    // Connects; timeoutMs > 0 limits the connect, 0 or -1 picks the default, -2 no limit.
    // Failures throw the ENet exceptions of the connect path.
    virtual void connectClient(const std::string& host, uint16_t port, const std::string& boundIP,
                               uint16_t boundPort, int timeoutMs) = 0;
    virtual bool connected() const = 0;
    // Waits until data (or the peer's close) can be received; timeoutMs >= 0 or -2 for no limit.
    // Must count bytes the handler already holds (e.g. decrypted TLS records).
    virtual bool readable(int timeoutMs) = 0;
    // > 0: bytes received; 0: the peer closed; < 0: minus the socket error number (e.g. -10054).
    virtual int recv(void* buffer, std::size_t length) = 0;
    // > 0: bytes sent (possibly fewer than asked); < 0: minus the socket error number. A peer that takes
    // nothing is waited for (through the anti-freeze) at most timeoutMs (>= 0; negative = no limit), then
    // -10060 ("Connection timed out.").
    virtual int send(const void* buffer, std::size_t length, int timeoutMs) = 0;
    // Closes the transport (shut down the sending side, then close). Safe to call when closed.
    virtual void close() = 0;

    virtual int handle() const = 0;  // socket fd, -1 when none
    virtual std::string localIp() const = 0;
    virtual uint16_t localPort() const = 0;
    virtual std::string peerIp() const = 0;
    virtual uint16_t peerPort() const = 0;

protected:
    IpFamily m_family = IpFamily::V4;
};

} // namespace kestrune::net
