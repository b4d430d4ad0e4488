#pragma once

#include <string>

namespace testsupport {

// A network namespace of this test process's own (unshare -n, root only), its loopback up. Addresses are
// added and removed there alone: run() refuses to touch anything before the namespace stands.
class PrivateNetwork {
public:
    // Enters the namespace once per process; false, with why, where that is not permitted.
    static bool enter(std::string& why);
    // Runs "ip <arguments>" inside the namespace; false when it failed or no namespace stands.
    static bool ip(const std::string& arguments);
};

} // namespace testsupport
