#pragma once

#include "NginxServer.h"
#include "TempDir.h"

#include <QString>
#include <memory>
#include <string>

// Router-like status pages served by a private nginx on 127.0.0.1; "secure/" asks for basic credentials.
class RouterPages {
public:
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "rivet";

    RouterPages();

    // The address of a page as edURL holds it: without "http://".
    QString address(const std::string& path) const;
    void write(const std::string& path, const std::string& body) const { m_root.Write(path, body); }

private:
    testsupport::TempDir m_root{"kestrune-router-pages"};
    std::unique_ptr<testsupport::NginxServer> m_server;
};

// The Telekom-like status page: CR LF line ends, tabs, a dash, an accent and a character outside the
// 16-bit range before the WAN address 203.0.113.9.
extern const std::string kCrLfPage;
