#include "SourceQuestions.h"

#include "NetworkErrors.h"
#include "NetworkWait.h"
#include "SocketHandle.h"

#include <algorithm>
#include <random>

using namespace kestrune::net;

namespace kestrune::lookup {

namespace {
constexpr int kFirstRetransmitMs = 500;
constexpr int kLongestRetransmitMs = 4000;
}

DatagramRound::DatagramRound(int timeoutMs)
    : m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 1)))
{
}

int DatagramRound::remainingMs() const
{
    return net::remainingMs(m_deadline);
}

std::pair<std::string, uint16_t> DatagramRound::splitServer(const std::string& server, uint16_t defaultPort)
{
    const std::size_t colon = server.rfind(':');
    if (colon == std::string::npos)
        return {server, defaultPort};
    const std::string digits = server.substr(colon + 1);
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || port > 65535)
            return {server, defaultPort};
        port = port * 10 + (c - '0');
    }
    if (digits.empty() || port == 0 || port > 65535)
        return {server.substr(0, colon), defaultPort};
    return {server.substr(0, colon), static_cast<uint16_t>(port)};
}

std::optional<std::string> DatagramRound::ask(const std::string& host, uint16_t port,
                                              std::span<const uint8_t> question, const Reader& read,
                                              std::size_t serversLeft)
{
    const int share = remainingMs() / static_cast<int>(std::max<std::size_t>(serversLeft, 1));
    const auto serverDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(share);
    auto leftForServer = [&serverDeadline] { return net::remainingMs(serverDeadline); };
    try {
        const std::string ip = sockets::resolveHost(host, std::max(leftForServer(), 1));
        DatagramSocket socket;
        socket.open();
        int retransmit = kFirstRetransmitMs;
        while (leftForServer() > 0) {
            socket.sendTo(ip, port, question);
            const auto sendDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(retransmit);
            retransmit = std::min(retransmit * 2, kLongestRetransmitMs);
            for (;;) {
                const auto untilResend = std::chrono::duration_cast<std::chrono::milliseconds>(
                    sendDeadline - std::chrono::steady_clock::now()).count();
                const int wait = std::min(leftForServer(), static_cast<int>(std::max<long long>(untilResend, 0)));
                if (wait <= 0)
                    break;
                // An empty receive can end a millisecond early; asking again here keeps the
                // server's last moment from turning into a burst of resends.
                const std::optional<Datagram> answer = socket.receive(wait);
                if (!answer)
                    continue;
                if (answer->ip != ip || answer->port != port)
                    continue;
                if (std::optional<std::string> address = read(answer->bytes))
                    return address;
            }
        }
        m_lastError = host + " did not answer.";
    } catch (const CancelledError&) {
        throw;
    } catch (const NetworkError& error) {
        m_lastError = host + ": " + error.what();
    }
    return std::nullopt;
}

LookupResult foundAddress(const std::string& address)
{
    LookupResult result;
    result.address = address;
    result.requested = true;
    return result;
}

void fillRandom(std::span<uint8_t> bytes)
{
    std::random_device random;
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(random());
}

} // namespace kestrune::lookup
