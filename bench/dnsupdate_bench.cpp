// One dyndns2 update as a whole command against the local nginx bench/run started (its /nic/update answers
// "good"), against curl sending the same GET, alternating. Prints median wall times and their ratio.
// One RFC 2136 update with TSIG plus the proof that the name answers, as a whole command, against a BIND 9 of
// its own on 127.0.0.1, against nsupdate -y followed by dig doing the same.
//
// usage: dnsupdate_bench compare [runs]   (server named by KESTRUNE_BENCH_WWW)
//        dnsupdate_bench update ORIGIN
//        dnsupdate_bench rfc2136 [runs]
//        dnsupdate_bench own SERVER KEY SECRET ADDRESS
#include "BenchReport.h"
#include "BindServer.h"
#include "DnsProof.h"
#include "DnsProvider.h"
#include "HttpClient.h"
#include "Spawn.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune::net;

namespace {

using namespace kestrune::actions;

constexpr const char* kCurl = "/usr/bin/curl";

DnsUpdateRequest benchRequest(const std::string& origin)
{
    DnsUpdateRequest request;
    request.server = origin;
    request.hosts = "home.example.org";
    request.user = "me";
    request.password = "bench-secret";
    request.ipv4 = "203.0.113.7";
    return request;
}

int UpdateOnce(const std::string& origin)
{
    HttpClient http;
    const DnsUpdateResult result = sendDnsUpdate(http, "dyndns2", benchRequest(origin));
    if (result.answer != DnsAnswer::Success)
        std::fprintf(stderr, "update failed: %s\n", result.code.c_str());
    return result.answer == DnsAnswer::Success ? 0 : 1;
}

int Compare(int runs)
{
    const char* origin = std::getenv("KESTRUNE_BENCH_WWW");
    if (origin == nullptr || *origin == '\0')
        throw std::runtime_error("KESTRUNE_BENCH_WWW is not set (bench/run sets it)");
    const std::vector<std::string> ours = {std::filesystem::read_symlink("/proc/self/exe").string(), "update", origin};
    const std::vector<std::string> curl = {kCurl, "-sS", "-u", "me:bench-secret", "-A", dnsUserAgent(),
                                           std::string(origin) + "/nic/update?hostname=home.example.org&myip=203.0.113.7"};
    CompareCommands("dyndns2 update, one GET with basic credentials as a whole command, vs curl", ours, curl, runs, "good");
    return 0;
}

// The update and its proof, as the monitor runs them for an entry.
int UpdateOwnServer(const std::string& server, const std::string& key, const std::string& secret,
                    const std::string& address)
{
    DnsUpdateRequest request;
    request.server = server;
    request.zone = "example.test";
    request.hosts = "home.example.test";
    request.user = key;
    request.password = secret;
    request.ipv4 = address;
    HttpClient http;
    const DnsUpdateResult result = sendDnsUpdate(http, "rfc2136", request);
    if (result.answer != DnsAnswer::Success) {
        std::fprintf(stderr, "update failed: %s\n", result.code.c_str());
        return 1;
    }
    DnsProofRequest proof;
    proof.names = {"home.example.test"};
    proof.ipv4 = address;
    proof.servers = server;
    const DnsProofAnswer answer = checkNamesAnswer(proof);
    if (!answer.answering)
        std::fprintf(stderr, "not answering: %s\n", answer.detail.c_str());
    return answer.answering ? 0 : 1;
}

int CompareOwnServer(int runs)
{
    const testsupport::BindServer bind;
    const std::string port = std::to_string(bind.Port());
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string script = std::filesystem::temp_directory_path() / ("kestrune-nsupdate-" + port + ".txt");
    const auto theirs = [&](const std::string& address) {
        {
            std::FILE* file = std::fopen(script.c_str(), "w");
            if (!file)
                throw std::runtime_error("cannot write " + script);
            std::fprintf(file, "server 127.0.0.1 %s\nzone example.test\nupdate delete home.example.test A\n"
                               "update add home.example.test 300 A %s\nsend\n", port.c_str(), address.c_str());
            std::fclose(file);
        }
        const RunResult update = RunToEnd({"/usr/bin/nsupdate", "-y", "hmac-sha256:" + testsupport::BindServer::KeyName() +
                                           ":" + bind.Secret(), script});
        const RunResult dig = RunToEnd({"/usr/bin/dig", "+norec", "+short", "@127.0.0.1", "-p", port,
                                        "home.example.test", "A"});
        if (update.ExitCode != 0 || dig.Output.find(address) == std::string::npos)
            throw std::runtime_error("nsupdate and dig did not set " + address + ": " + dig.Output);
        return update.WallMs + dig.WallMs;
    };
    const auto ours = [&](const std::string& address) {
        return TimeCommand({self, "own", bind.Address(), testsupport::BindServer::KeyName(), bind.Secret(), address});
    };
    ours("198.51.100.1");
    theirs("198.51.100.2");
    std::vector<double> o, t;
    for (int i = 0; i < runs; ++i) {
        o.push_back(ours("198.51.100." + std::to_string(10 + i % 2)));
        t.push_back(theirs("198.51.100." + std::to_string(20 + i % 2)));
    }
    std::remove(script.c_str());
    PrintRow("RFC 2136 update with TSIG and its proof (non-recursive query) as a whole command, vs nsupdate -y then dig",
             Format("ours %.1f ms, nsupdate+dig %.1f ms (medians of %d)", Median(o), Median(t), runs),
             Median(o) / Median(t));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "update" && argc == 3)
            return UpdateOnce(argv[2]);
        if (mode == "compare")
            return Compare(argc > 2 ? std::atoi(argv[2]) : 20);
        if (mode == "own" && argc == 6)
            return UpdateOwnServer(argv[2], argv[3], argv[4], argv[5]);
        if (mode == "rfc2136")
            return CompareOwnServer(argc > 2 ? std::atoi(argv[2]) : 20);
        std::fprintf(stderr, "usage: dnsupdate_bench compare [runs] | update ORIGIN | rfc2136 [runs] | own SERVER KEY SECRET ADDRESS\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dnsupdate_bench: %s\n", error.what());
        return 1;
    }
}
