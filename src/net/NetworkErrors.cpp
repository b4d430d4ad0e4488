#include "NetworkErrors.h"

#include "SocketHandle.h"

namespace kestrune::net {

SocketError::SocketError(int lastError)
    : NetworkError(sockets::socketErrorMessage(lastError)), lastError(lastError) {}

} // namespace kestrune::net
