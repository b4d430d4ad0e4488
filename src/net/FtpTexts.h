#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune::net {

// Wire texts of the FTP dialogue, kept apart from the connection so they can be checked on their own.
namespace ftptexts {
inline constexpr const char* kStatusConnectionEstablished = "Connection established";
inline constexpr const char* kStatusStartingTransfer = "Starting FTP transfer";
inline constexpr const char* kStatusTransferComplete = "Transfer complete";
inline constexpr const char* kStatusTransferAborted = "Transfer aborted";
inline constexpr const char* kSystemUnknown = "Unknown";

inline constexpr const char* kLineBreakInField =
    "User name, password or file name contains a line break or NUL character.";
inline constexpr const char* kBadPassiveReply = "Invalid reply to PASV.";
inline constexpr const char* kBadExtendedPassiveReply = "Invalid reply to EPSV.";
inline constexpr const char* kDataBeforeTls = "The server sent data before the TLS handshake; the connection was closed.";
inline constexpr const char* kBadDataAddress = "Invalid address for the data connection.";

// True when text may go into a command line: no CR, LF or NUL that would end or split the command.
bool fitsOnCommandLine(std::string_view text);

// The argument of PORT: "192,168,1,10,19,137" for 192.168.1.10 port 5001. A text that is not a
// dotted quad raises NetworkError.
std::string portArgument(const std::string& ip, uint16_t port);

struct PassiveAddress {
    std::string host;
    uint16_t port = 0;
};
// Reads "h1,h2,h3,h4,p1,p2" between "(" and ")" of a 227 reply line, or after its last blank when
// it has no parentheses. Anything but six numbers 0-255 raises NetworkError.
PassiveAddress parsePassiveReply(const std::string& line);
// The port of a 229 reply line: "(|||6446|)", any printable delimiter, no address. Else NetworkError.
uint16_t parseExtendedPassiveReply(const std::string& line);
} // namespace ftptexts

} // namespace kestrune::net
