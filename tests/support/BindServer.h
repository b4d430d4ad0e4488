#pragma once

#include "TempDir.h"

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace testsupport {

// A private BIND 9 (named) on 127.0.0.1 at a free port, with its configuration, zones and TSIG key in a
// temporary folder; stopped by its process id. Zone "example.test" takes updates signed with key(); zone
// "locked.test" takes none. Both hold home.<zone> A 192.0.2.1.
class BindServer {
public:
    BindServer();
    ~BindServer();
    BindServer(const BindServer&) = delete;
    BindServer& operator=(const BindServer&) = delete;

    static bool Available();
    uint16_t Port() const { return fPort; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(fPort); }
    static std::string KeyName() { return "kestrune-key"; }
    const std::string& Secret() const { return fSecret; }
    // Sets name's records of type to value (or removes them, value empty) with nsupdate, behind Kestrune's back.
    void Set(const std::string& name, const std::string& type, const std::string& value) const;

private:
    TempDir fDir{"kestrune-named"};
    std::string fSecret;
    uint16_t fPort = 0;
    pid_t fPid = -1;
};

} // namespace testsupport
