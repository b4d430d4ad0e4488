#pragma once

#include "NginxServer.h"
#include "TempDir.h"

#include <QString>
#include <memory>
#include <string>

// Router-like status pages served by a private nginx on 127.0.0.1; "secure/" asks for basic credentials.
class TRouterPages {
public:
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "rivet";

    TRouterPages();

    // The address of a page as edURL holds it: without "http://".
    QString Address(const std::string& path) const;
    void Write(const std::string& path, const std::string& body) const { root_.Write(path, body); }

private:
    testsupport::TempDir root_{"kestrune-router-pages"};
    std::unique_ptr<testsupport::NginxServer> server_;
};

// The Telekom-like status page: CR LF line ends, tabs, a dash, an accent and a character outside the
// 16-bit range before the WAN address 203.0.113.9.
extern const std::string kCrLfPage;
