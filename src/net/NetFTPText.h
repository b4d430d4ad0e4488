#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Wire texts of the FTP dialogue, kept apart from the connection so they can be checked on their own.
namespace NetFTPText {
inline constexpr const char* StatusConnectionEstablished = "Connection established";
inline constexpr const char* StatusStartingTransfer = "Starting FTP transfer";
inline constexpr const char* StatusTransferComplete = "Transfer complete";
inline constexpr const char* StatusTransferAborted = "Transfer aborted";
inline constexpr const char* SystemUnknown = "Unknown";

inline constexpr const char* LineBreakInField =
    "User name, password or file name contains a line break or NUL character.";
inline constexpr const char* BadPassiveReply = "Invalid reply to PASV.";
inline constexpr const char* BadExtendedPassiveReply = "Invalid reply to EPSV.";
inline constexpr const char* DataBeforeTLS = "The server sent data before the TLS handshake; the connection was closed.";
inline constexpr const char* BadDataAddress = "Invalid address for the data connection.";

// True when text may go into a command line: no CR, LF or NUL that would end or split the command.
bool FitsOnCommandLine(std::string_view text);

// The argument of PORT: "192,168,1,10,19,137" for 192.168.1.10 port 5001. A text that is not a
// dotted quad raises ENetException.
std::string PortArgument(const std::string& ip, uint16_t port);

struct TPassiveAddress {
    std::string Host;
    uint16_t Port = 0;
};
// Reads "h1,h2,h3,h4,p1,p2" between "(" and ")" of a 227 reply line, or after its last blank when
// it has no parentheses. Anything but six numbers 0-255 raises ENetException.
TPassiveAddress ParsePassiveReply(const std::string& line);
// The port of a 229 reply line: "(|||6446|)", any printable delimiter, no address. Else ENetException.
uint16_t ParseExtendedPassiveReply(const std::string& line);
} // namespace NetFTPText
