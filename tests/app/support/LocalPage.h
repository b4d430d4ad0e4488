#pragma once

#include "NginxServer.h"
#include "TempDir.h"

#include <QString>
#include <memory>
#include <string>

// A router status page served by a private nginx on 127.0.0.1; counts the requests it answered.
class LocalPage {
public:
    explicit LocalPage(const std::string& body);

    // The page address as the lookup fields hold it: without "http://".
    QString address() const;
    void setBody(const std::string& body) const;
    // Requests nginx has logged so far.
    int requests() const;

private:
    testsupport::TempDir m_root{"kestrune-page"};
    std::unique_ptr<testsupport::NginxServer> m_server;
};

// A listening socket on 127.0.0.1 that accepts nothing and never answers, until release() takes the first
// waiting connection and closes it.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    QString address() const;
    QString port() const { return QString::number(m_port); }
    // True once a connection waits to be accepted, false when none came within timeoutMs.
    bool waitForConnection(int timeoutMs) const;
    // Accepts and closes every connection waiting so far; returns how many there were.
    int release();

private:
    int m_fd = -1;
    int m_port = 0;
};

// A port on 127.0.0.1 that refuses connections.
QString refusingAddress();
