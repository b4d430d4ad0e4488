// One STUN lookup (against coturn) and one DNS lookup (against the tests' own responder) of this machine's
// address, each against one HTTPS echo lookup of the same address on the local nginx (a new verified TLS
// connection per lookup, as every check makes it). Alternating in one process; medians and their ratio.
#include "AddressPeer.h"
#include "AddressSources.h"
#include "BenchReport.h"
#include "BenchWeb.h"
#include "HttpClient.h"
#include "Lookup.h"
#include "TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune::lookup;

namespace {

double TimeOne(const std::function<LookupResult()>& lookup)
{
    const auto start = std::chrono::steady_clock::now();
    const LookupResult result = lookup();
    const double micros = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    if (result.failed() || result.address != "127.0.0.1")
        throw std::runtime_error("lookup failed: " + result.errorMessage + result.address);
    return micros;
}

void Compare(const char* label, const std::function<LookupResult()>& ours, const std::function<LookupResult()>& https,
             int rounds)
{
    std::vector<double> oursTimes, httpsTimes;
    for (int i = 0; i < rounds + 10; ++i) {
        const double a = TimeOne(ours);
        const double b = TimeOne(https);
        if (i >= 10) {
            oursTimes.push_back(a);
            httpsTimes.push_back(b);
        }
    }
    const double o = Median(oursTimes), h = Median(httpsTimes);
    PrintRow(Format("%s lookup, %d each, alternating, vs HTTPS echo lookup", label, rounds),
             Format("ours %.1f us, HTTPS %.1f us (median per lookup)", o, h), o / h);
}

} // namespace

int main(int argc, char** argv) try {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    BenchWeb web;
    web.Write("close/echo.txt", "127.0.0.1\n");
    ::setenv("SSL_CERT_FILE", web.CAFile().c_str(), 1);
    testsupport::TempDir folder("kestrune-bench-sources");
    testsupport::AddressPeer coturn(testsupport::AddressPeer::coturn(folder));
    testsupport::AddressPeer dns({"dns"});

    SourceOptions options;
    options.timeoutMs = 5000;
    options.stunServers = {coturn.server()};
    options.dnsQuestions = {{"127.0.0.1", dns.port(), "whoami.cloudflare", true}};
    LookupFields echo;
    echo.external = true;
    echo.serviceUrl = web.TlsBaseURL() + "/close/echo.txt";
    const auto https = [&echo] {
        kestrune::net::HttpClient http;
        return runLookup(http, echo);
    };
    Compare("STUN (coturn)", [&options] { return lookUpStun(options); }, https, rounds);
    Compare("DNS (whoami CH TXT)", [&options] { return lookUpDns(options); }, https, rounds);
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "source_bench: %s\n", error.what());
    return 1;
}
