#pragma once

#include <stdexcept>
#include <string>

namespace kestrune::net {

// Every error of the network layer derives from NetworkError and carries the text shown to the user.
class NetworkError : public std::runtime_error {
public:
    explicit NetworkError(const std::string& message) : std::runtime_error(message) {}
};

class AlreadyConnectedError : public NetworkError { using NetworkError::NetworkError; };
class ConnectTimeoutError : public NetworkError { using NetworkError::NetworkError; };
class ReadTimeoutError : public NetworkError { using NetworkError::NetworkError; };
class LineTooLongError : public NetworkError { using NetworkError::NetworkError; };
class ConnectionClosedError : public NetworkError { using NetworkError::NetworkError; };
class NotConnectedError : public NetworkError { using NetworkError::NetworkError; };
class UnknownProtocolError : public NetworkError { using NetworkError::NetworkError; };
class TransportInvalidError : public NetworkError { using NetworkError::NetworkError; };
// A network client was entered again (through the wait hook) while an operation on it was under way.
class ClientBusyError : public NetworkError { using NetworkError::NetworkError; };
// The program is closing; the network call was given up.
class CancelledError : public NetworkError { using NetworkError::NetworkError; };

// A connect with a time limit failed; carries the socket error number (0 when there is none).
class ConnectError : public NetworkError {
public:
    ConnectError(const std::string& message, int lastError) : NetworkError(message), lastError(lastError) {}
    int lastError;
};

// Message: "Socket Error # <code>\r\n<text>".
class SocketError : public NetworkError {
public:
    explicit SocketError(int lastError);
    SocketError(int lastError, const std::string& message) : NetworkError(message), lastError(lastError) {}
    int lastError;
};

class ReplyError : public NetworkError {
public:
    ReplyError(int replyErrorCode, const std::string& message)
        : NetworkError(message), replyErrorCode(replyErrorCode) {}
    int replyErrorCode;
};

// Message is the status line; errorMessage the body of the error page.
class HttpStatusError : public ReplyError {
public:
    HttpStatusError(int code, const std::string& statusLine, std::string errorMessage)
        : ReplyError(code, statusLine), errorMessage(std::move(errorMessage)) {}
    std::string errorMessage;
};

// TLS transport.
class TlsLibraryError : public NetworkError { using NetworkError::NetworkError; };
class TlsMethodError : public NetworkError { using NetworkError::NetworkError; };
class TlsModeNotSetError : public NetworkError { using NetworkError::NetworkError; };
class TlsContextError : public NetworkError { using NetworkError::NetworkError; };
class TlsCipherError : public NetworkError { using NetworkError::NetworkError; };
class TlsBindingError : public NetworkError { using NetworkError::NetworkError; };
class TlsConnectError : public NetworkError { using NetworkError::NetworkError; };
// The server's certificate was refused; the message names the reason.
class TlsCertificateError : public TlsConnectError { using TlsConnectError::TlsConnectError; };

} // namespace kestrune::net
