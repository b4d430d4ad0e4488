#pragma once

#include "NetIOHandler.h"
#include "NetSocket.h"

#include <memory>

// The plain socket transport. The TLS handler derives from it: it adds its handshake after the TCP
// connect and overrides Recv, Send, Readable and Close.
class TNetIOHandlerSocket : public TNetIOHandler {
public:
    TNetIOHandlerSocket();
    ~TNetIOHandlerSocket() override;

    void Open() override;
    void ConnectClient(const std::string& host, uint16_t port, const std::string& boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool Connected() const override;
    bool Readable(int timeoutMs) override;
    int Recv(void* buffer, std::size_t length) override;
    int Send(const void* buffer, std::size_t length, int timeoutMs) override;
    void Close() override;

    int Handle() const override;
    std::string LocalIP() const override;
    uint16_t LocalPort() const override;
    std::string PeerIP() const override;
    uint16_t PeerPort() const override;

    // Server side of a data connection: listen on ip (empty = any) and port (0 = system's choice), then
    // Accept replaces the listening socket by the accepted one (timeoutMs -1 = no limit). With onlyFromIP,
    // peers from any other address are closed and the wait goes on.
    void Listen(const std::string& ip, uint16_t port, int backlog);
    void Accept(int timeoutMs, const std::string& onlyFromIP = {});

    bool UseNagle = true;
    TNetSocketHandle* Binding() { return fBinding.get(); }
    const TNetSocketHandle* Binding() const { return fBinding.get(); }

private:
    std::unique_ptr<TNetSocketHandle> fBinding;
};
