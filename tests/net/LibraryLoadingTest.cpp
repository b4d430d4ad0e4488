// OpenSSL and ldns are loaded at their first use; where one cannot be loaded, that use fails with a message
// that says so. Each case hides the library's file behind an empty one inside a mount namespace of its own,
// in a child process, so that neither this process nor the machine sees the change.
#include "Ldns.h"
#include "NetworkErrors.h"
#include "TlsTransport.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace {

using namespace kestrune;

constexpr int kAsExpected = 0;
constexpr int kOtherMessage = 1;
constexpr int kNoError = 2;
constexpr int kNotPermitted = 3;

// A TLS connection to a loopback listener that never answers: the library is needed before the first byte.
void connectTls()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        ::_exit(kNotPermitted);
    net::TlsTransport transport;
    transport.connectClient("127.0.0.1", ntohs(address.sin_port), "", 0, 2000);
}

void buildDnsMessage() { net::ldns().pkt_free(nullptr); }

// Runs use in a child where file reads as empty; the child's verdict as its exit code.
int verdictWithout(const std::string& file, const std::function<void()>& use, const std::string& message)
{
    const pid_t child = ::fork();
    if (child == 0) {
        // Private first, so that the bind mount cannot reach the machine's own mount table.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("/dev/null", file.c_str(), nullptr, MS_BIND, nullptr) != 0)
            ::_exit(kNotPermitted);
        try {
            use();
        } catch (const net::NetworkError& error) {
            ::_exit(error.what() == message ? kAsExpected : kOtherMessage);
        } catch (...) {
            ::_exit(kOtherMessage);
        }
        ::_exit(kNoError);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST(LibraryLoading, AMissingLibraryFailsItsFirstUseWithAClearMessage)
{
    struct Case {
        const char* file;
        std::function<void()> use;
        std::string message;
    };
    const Case cases[] = {
        {KESTRUNE_LIBSSL_FILE, connectTls, net::tlstexts::kCouldNotLoadSslLibrary},
        {KESTRUNE_LIBLDNS_FILE, buildDnsMessage, net::ldnstexts::kCouldNotLoadDnsLibrary},
    };
    for (const Case& c : cases) {
        const int verdict = verdictWithout(c.file, c.use, c.message);
        if (verdict == kNotPermitted)
            GTEST_SKIP() << "no mount namespace here (needs root): " << c.file;
        EXPECT_EQ(verdict, kAsExpected) << c.file << " (1: another message, 2: no error)";
    }
}
