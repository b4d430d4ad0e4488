#include "PrivateNetwork.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sched.h>

namespace testsupport {

namespace {
bool gEntered = false;
std::string gWhy;
bool gTried = false;
} // namespace

bool PrivateNetwork::enter(std::string& why)
{
    if (!gTried) {
        gTried = true;
        if (::unshare(CLONE_NEWNET) != 0)
            gWhy = std::string("no private network namespace (unshare -n needs root): ") + std::strerror(errno);
        else
            gEntered = true;
        if (gEntered && !ip("link set lo up")) {
            gWhy = "the private namespace's loopback does not come up";
            gEntered = false;
        }
    }
    why = gWhy;
    return gEntered;
}

bool PrivateNetwork::ip(const std::string& arguments)
{
    if (!gEntered)
        return false;
    const std::string command = "ip " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace testsupport
