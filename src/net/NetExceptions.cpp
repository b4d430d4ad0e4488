#include "NetExceptions.h"

#include "NetSocket.h"

ENetSocketError::ENetSocketError(int lastError)
    : ENetException(NetSock::SocketErrorMessage(lastError)), LastError(lastError) {}
