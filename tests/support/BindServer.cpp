#include "BindServer.h"

#include "NginxServer.h"
#include "PeerProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr const char* kNamed = "/usr/sbin/named";
constexpr const char* kNsupdate = "/usr/bin/nsupdate";

std::string RandomSecret()
{
    static constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::random_device random;
    std::string secret;
    for (int i = 0; i < 43; ++i)
        secret += kBase64[random() % 64];
    // 32 bytes: 43 characters, the last one's low bits zero, and one pad.
    secret.back() = 'A';
    return secret + "=";
}

std::string ZoneText(const std::string& zone)
{
    return "$TTL 300\n@ SOA ns." + zone + ". admin." + zone + ". 1 3600 600 86400 300\n@ NS ns." + zone +
           ".\nns A 127.0.0.1\nhome A 192.0.2.1\n";
}

} // namespace

bool BindServer::Available() { return ::access(kNamed, X_OK) == 0 && ::access(kNsupdate, X_OK) == 0; }

BindServer::BindServer() : fSecret(RandomSecret())
{
    // named takes no port 0: a port the system reports free, UDP and TCP alike at this moment.
    fPort = NginxServer::FreePort();
    const std::string dir = fDir.Path();
    fDir.Write("example.test.zone", ZoneText("example.test"));
    fDir.Write("locked.test.zone", ZoneText("locked.test"));
    fDir.Write("named.conf",
               "options { directory \"" + dir + "\"; listen-on port " + std::to_string(fPort) +
                   " { 127.0.0.1; }; listen-on-v6 { none; }; pid-file none; recursion no; dnssec-validation no;"
                   " notify no; session-keyfile \"" + dir + "/session.key\"; managed-keys-directory \"" + dir +
                   "\"; };\ncontrols { };\n"
                   "key \"" + KeyName() + ".\" { algorithm hmac-sha256; secret \"" + fSecret + "\"; };\n"
                   "zone \"example.test\" { type primary; file \"" + dir + "/example.test.zone\"; "
                   "update-policy { grant " + KeyName() + ". zonesub ANY; }; };\n"
                   "zone \"locked.test\" { type primary; file \"" + dir + "/locked.test.zone\"; };\n");
    fPid = ::fork();
    if (fPid < 0)
        throw std::runtime_error("cannot start named");
    if (fPid == 0) {
        // Ends with the test even when a sanitizer abort skips the destructor.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string conf = dir + "/named.conf", log = dir + "/named.log";
        std::freopen(log.c_str(), "w", stderr);
        ::execl(kNamed, kNamed, "-g", "-n", "1", "-c", conf.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!NginxServer::WaitUntilAccepting(fPort, 10000) || ::waitpid(fPid, nullptr, WNOHANG) == fPid) {
        EndChild(fPid);
        fPid = -1;
        throw std::runtime_error("named did not start: " + fDir.Read("named.log"));
    }
}

BindServer::~BindServer()
{
    if (fPid > 0)
        EndChild(fPid);
}

void BindServer::Set(const std::string& name, const std::string& type, const std::string& value) const
{
    std::string script = "server 127.0.0.1 " + std::to_string(fPort) + "\nupdate delete " + name + " " + type + "\n";
    if (!value.empty())
        script += "update add " + name + " 300 " + type + " " + value + "\n";
    fDir.Write("change.txt", script + "send\n");
    if (!RunToEnd({kNsupdate, "-y", "hmac-sha256:" + KeyName() + ":" + fSecret, fDir.File("change.txt")}))
        throw std::runtime_error("nsupdate failed");
}

} // namespace testsupport
