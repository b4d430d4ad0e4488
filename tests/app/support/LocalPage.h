#pragma once

#include "NginxServer.h"
#include "TempDir.h"

#include <QString>
#include <memory>
#include <string>

// A router status page served by a private nginx on 127.0.0.1; counts the requests it answered.
class TLocalPage {
public:
    explicit TLocalPage(const std::string& body);

    // The page address as the lookup fields hold it: without "http://".
    QString Address() const;
    void SetBody(const std::string& body) const;
    // Requests nginx has logged so far.
    int Requests() const;

private:
    testsupport::TempDir root_{"kestrune-page"};
    std::unique_ptr<testsupport::NginxServer> server_;
};

// A listening socket on 127.0.0.1 that accepts nothing and never answers, until Release() takes the first
// waiting connection and closes it.
class TSilentServer {
public:
    TSilentServer();
    ~TSilentServer();
    QString Address() const;
    QString Port() const { return QString::number(port_); }
    // True once a connection waits to be accepted, false when none came within timeoutMs.
    bool WaitForConnection(int timeoutMs) const;
    // Accepts and closes every connection waiting so far; returns how many there were.
    int Release();

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that refuses connections.
QString RefusingAddress();
