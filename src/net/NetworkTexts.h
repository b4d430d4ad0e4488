#pragma once

namespace kestrune::net {

// Texts the network layer shows; callers and tests compare against these.
namespace texts {
inline constexpr const char* kAlreadyConnected = "Already connected.";
inline constexpr const char* kCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* kCouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* kConnectTimedOut = "Connect timed out.";
inline constexpr const char* kReadTimeout = "Read Timeout";
inline constexpr const char* kCancelled = "The network operation was cancelled because Kestrune is closing.";
inline constexpr const char* kMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* kConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* kNotConnected = "Not Connected";
inline constexpr const char* kNotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* kNoDataToRead = "No data to read.";
inline constexpr const char* kOnlyOneAntiFreeze = "Only one TNetAntiFreeze can exist per application.";
inline constexpr const char* kClientBusy = "The network client is busy with another operation.";
inline constexpr const char* kReplyTooLarge = "Reply is too large.";
inline constexpr const char* kListenTimedOut = "Timed out waiting for the peer to connect.";

inline constexpr const char* kUndefinedSituation = "Undefined situation";
inline constexpr const char* kTransportValueNotValid = "IOHandler value is not valid";
inline constexpr const char* kRequestMethodNeedsHttp11 = "This request method is supported in HTTP 1.1";
inline constexpr const char* kControlCharInRequest = "URL, user name or password contains a line break or NUL character.";
inline constexpr const char* kHeaderBlockTooLarge = "Response header block is too large.";
inline constexpr const char* kBodyTooLarge = "Response body is too large.";
inline constexpr const char* kChunkSizeInvalid = "Chunk size is too large.";

inline constexpr const char* kStatusResolving = "Resolving hostname %s.";
inline constexpr const char* kStatusConnecting = "Connecting to %s.";
inline constexpr const char* kStatusConnected = "Connected.";
inline constexpr const char* kStatusDisconnecting = "Disconnecting.";
inline constexpr const char* kStatusDisconnected = "Disconnected.";
} // namespace texts

} // namespace kestrune::net
