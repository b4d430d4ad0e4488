#pragma once

#include "DatagramSocket.h"
#include "Lookup.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrune::lookup {

// The question-and-answer round of the UDP sources (STUN, DNS): each server in turn with its share of the
// time left, the question sent again after 500 ms, 1 s, ... within that share. An answer counts only from the
// server asked and when read() accepts it; anything else is dropped and the wait goes on.
class DatagramRound {
public:
    explicit DatagramRound(int timeoutMs);
    // "host[:port]" into host and port (defaultPort when none is given).
    static std::pair<std::string, uint16_t> splitServer(const std::string& server, uint16_t defaultPort);

    using Reader = std::function<std::optional<std::string>(std::span<const uint8_t>)>;
    // Asks one server of serversLeft (this one included); the address read, else nullopt. A server that cannot
    // be resolved or reached is remembered in lastError() and gives nullopt.
    std::optional<std::string> ask(const std::string& host, uint16_t port, std::span<const uint8_t> question,
                                   const Reader& read, std::size_t serversLeft);
    int remainingMs() const;
    const std::string& lastError() const { return m_lastError; }

private:
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_lastError;
};

// The result of a source that found an address.
LookupResult foundAddress(const std::string& address);

// Bytes the random source gives, for transaction ids.
void fillRandom(std::span<uint8_t> bytes);

} // namespace kestrune::lookup
