#pragma once

// Texts the network layer shows; callers and tests compare against these.
namespace NetMsg {
inline constexpr const char* AlreadyConnected = "Already connected.";
inline constexpr const char* CannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* CouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* ConnectTimedOut = "Connect timed out.";
inline constexpr const char* ReadTimeout = "Read Timeout";
inline constexpr const char* Cancelled = "The network operation was cancelled because Kestrune is closing.";
inline constexpr const char* MaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* ConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* NotConnected = "Not Connected";
inline constexpr const char* NotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* NoDataToRead = "No data to read.";
inline constexpr const char* OnlyOneAntiFreeze = "Only one TNetAntiFreeze can exist per application.";
inline constexpr const char* ClientBusy = "The network client is busy with another operation.";
inline constexpr const char* ReplyTooLarge = "Reply is too large.";
inline constexpr const char* ListenTimedOut = "Timed out waiting for the peer to connect.";

inline constexpr const char* UndefinedSituation = "Undefined situation";
inline constexpr const char* IOHandlerValueNotValid = "IOHandler value is not valid";
inline constexpr const char* RequestMethodNeedsHTTP11 = "This request method is supported in HTTP 1.1";
inline constexpr const char* ControlCharInRequest = "URL, user name or password contains a line break or NUL character.";
inline constexpr const char* HeaderBlockTooLarge = "Response header block is too large.";
inline constexpr const char* BodyTooLarge = "Response body is too large.";
inline constexpr const char* ChunkSizeInvalid = "Chunk size is too large.";

inline constexpr const char* StatusResolving = "Resolving hostname %s.";
inline constexpr const char* StatusConnecting = "Connecting to %s.";
inline constexpr const char* StatusConnected = "Connected.";
inline constexpr const char* StatusDisconnecting = "Disconnecting.";
inline constexpr const char* StatusDisconnected = "Disconnected.";
} // namespace NetMsg
