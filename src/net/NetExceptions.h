#pragma once

#include <stdexcept>
#include <string>

// Every error of the network layer derives from ENetException and carries the text shown to the user.
class ENetException : public std::runtime_error {
public:
    explicit ENetException(const std::string& message) : std::runtime_error(message) {}
};

class ENetAlreadyConnected : public ENetException { using ENetException::ENetException; };
class ENetConnectTimeout : public ENetException { using ENetException::ENetException; };
class ENetReadTimeout : public ENetException { using ENetException::ENetException; };
class ENetReadLnMaxLineLengthExceeded : public ENetException { using ENetException::ENetException; };
class ENetConnClosedGracefully : public ENetException { using ENetException::ENetException; };
class ENetNotConnected : public ENetException { using ENetException::ENetException; };
class ENetUnknownProtocol : public ENetException { using ENetException::ENetException; };
class ENetIOHandlerPropInvalid : public ENetException { using ENetException::ENetException; };
// A network client was entered again (through the wait hook) while an operation on it was under way.
class ENetClientBusy : public ENetException { using ENetException::ENetException; };
// The program is closing; the network call was given up.
class ENetCancelled : public ENetException { using ENetException::ENetException; };

// A connect with a time limit failed; carries the socket error number (0 when there is none).
class ENetConnectException : public ENetException {
public:
    ENetConnectException(const std::string& message, int lastError) : ENetException(message), LastError(lastError) {}
    int LastError;
};

// Message: "Socket Error # <code>\r\n<text>".
class ENetSocketError : public ENetException {
public:
    explicit ENetSocketError(int lastError);
    ENetSocketError(int lastError, const std::string& message) : ENetException(message), LastError(lastError) {}
    int LastError;
};

class ENetProtocolReplyError : public ENetException {
public:
    ENetProtocolReplyError(int replyErrorCode, const std::string& message)
        : ENetException(message), ReplyErrorCode(replyErrorCode) {}
    int ReplyErrorCode;
};

// Message is the status line; ErrorMessage the body of the error page.
class ENetHTTPProtocolException : public ENetProtocolReplyError {
public:
    ENetHTTPProtocolException(int code, const std::string& statusLine, std::string errorMessage)
        : ENetProtocolReplyError(code, statusLine), ErrorMessage(std::move(errorMessage)) {}
    std::string ErrorMessage;
};

// TLS transport.
class ENetOSSLCouldNotLoadSSLLibrary : public ENetException { using ENetException::ENetException; };
class ENetOSSLGetMethodError : public ENetException { using ENetException::ENetException; };
class ENetOSSLModeNotSet : public ENetException { using ENetException::ENetException; };
class ENetOSSLCreatingContextError : public ENetException { using ENetException::ENetException; };
class ENetOSSLSettingCipherError : public ENetException { using ENetException::ENetException; };
class ENetOSSLDataBindingError : public ENetException { using ENetException::ENetException; };
class ENetOSSLConnectError : public ENetException { using ENetException::ENetException; };
// The server's certificate was refused; the message names the reason.
class ENetOSSLCertificateError : public ENetOSSLConnectError { using ENetOSSLConnectError::ENetOSSLConnectError; };
