#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrune::net {

struct Datagram {
    std::vector<uint8_t> bytes;
    std::string ip;
    uint16_t port = 0;
};

// One IPv4 UDP socket for the question-and-answer protocols (STUN, DNS). Its calls live with the other socket
// calls in SocketHandle.cpp; every wait goes through the anti-freeze.
class DatagramSocket {
public:
    // Larger answers are cut: no protocol asked here needs more.
    static constexpr std::size_t kMaxDatagram = 4096;

    DatagramSocket() = default;
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // socket(), non-blocking; failure raises "Cannot allocate socket.".
    void open();
    void bind(const std::string& ip, uint16_t port);
    uint16_t localPort() const;
    int handle() const { return m_handle; }
    // Failure raises the socket error.
    void sendTo(const std::string& ip, uint16_t port, std::span<const uint8_t> bytes);
    // The next datagram from anyone within timeoutMs, else nullopt.
    std::optional<Datagram> receive(int timeoutMs);
    void close();

private:
    int m_handle = -1;
};

} // namespace kestrune::net
