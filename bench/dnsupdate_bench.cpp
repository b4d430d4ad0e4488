// One dyndns2 update as a whole command against the local nginx bench/run started (its /nic/update answers
// "good"), against curl sending the same GET, alternating. Prints median wall times and their ratio.
//
// usage: dnsupdate_bench compare [runs]   (server named by KESTRUNE_BENCH_WWW)
//        dnsupdate_bench update ORIGIN
#include "BenchReport.h"
#include "DnsUpdateClient.h"
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
    request.provider = DnsProvider::Dyndns2;
    request.server = origin;
    request.hosts = "home.example.org";
    request.user = "me";
    request.password = "bench-secret";
    request.address = "203.0.113.7";
    return request;
}

int UpdateOnce(const std::string& origin)
{
    HttpClient http;
    const DnsUpdateResult result = sendDnsUpdate(http, benchRequest(origin));
    if (result.answer != DnsAnswer::Success)
        std::fprintf(stderr, "update failed: %s\n", result.code.c_str());
    return result.answer == DnsAnswer::Success ? 0 : 1;
}

double TimeCommand(const std::vector<std::string>& argv)
{
    const RunResult run = RunToEnd(argv);
    if (run.ExitCode != 0 || (argv[0] == kCurl && run.Output.rfind("good", 0) != 0))
        throw std::runtime_error(argv[0] + " ended with " + std::to_string(run.ExitCode) + ": " + run.Output);
    return run.WallMs;
}

int Compare(int runs)
{
    const char* origin = std::getenv("KESTRUNE_BENCH_WWW");
    if (origin == nullptr || *origin == '\0')
        throw std::runtime_error("KESTRUNE_BENCH_WWW is not set (bench/run sets it)");
    const std::vector<std::string> ours = {std::filesystem::read_symlink("/proc/self/exe").string(), "update", origin};
    const std::vector<std::string> curl = {kCurl, "-sS", "-u", "me:bench-secret", "-A", dnsUserAgent(),
                                           dnsUpdateUrl(benchRequest(origin))};
    TimeCommand(ours);
    TimeCommand(curl);
    std::vector<double> o, c;
    for (int i = 0; i < runs; ++i) {
        o.push_back(TimeCommand(ours));
        c.push_back(TimeCommand(curl));
    }
    PrintRow("dyndns2 update, one GET with basic credentials as a whole command, vs curl",
             Format("ours %.1f ms, curl %.1f ms (medians of %d)", Median(o), Median(c), runs), Median(o) / Median(c));
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
        std::fprintf(stderr, "usage: dnsupdate_bench compare [runs] | update ORIGIN\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dnsupdate_bench: %s\n", error.what());
        return 1;
    }
}
