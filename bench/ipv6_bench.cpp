// IPv6: reading and choosing the address in process against `ip -6 -o addr show scope global` as a whole
// command; and, in a private network namespace, an address change on lo to the check's first request.
//
// usage: ipv6_bench choose [runs] | reaction [changes]
#include "BenchReport.h"
#include "BenchWeb.h"
#include "InterfaceAddresses.h"
#include "Ipv6Choice.h"
#include "Settings.h"
#include "Spawn.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace kestrune::lookup;

namespace {

constexpr const char* kIp = "/usr/sbin/ip";

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Choose(int runs)
{
    std::vector<double> ours, ip;
    std::size_t found = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        found += chooseIpv6Address(readInterfaceAddresses(), "", "").lines.size();
        ours.push_back(MsSince(start));
        const RunResult run = RunToEnd({kIp, "-6", "-o", "addr", "show", "scope", "global"});
        if (run.ExitCode != 0)
            throw std::runtime_error("ip ended with " + std::to_string(run.ExitCode));
        ip.push_back(run.WallMs);
    }
    PrintRow(Format("IPv6 address read (netlink) and chosen in process, vs `ip -6 -o addr show scope global` "
                    "as a whole command (target under 0.05)"),
             Format("ours %.3f ms, ip %.2f ms (medians of %d, %zu lines)", Median(ours), Median(ip), runs,
                    found / static_cast<std::size_t>(runs)),
             Median(ours) / Median(ip));
    return 0;
}

void Ip(const std::string& arguments)
{
    const std::string command = std::string(kIp) + " " + arguments;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

int Reaction(int changes)
{
    const std::string name = Format("IPv6 address change on lo to the check's first request, private namespace, "
                                    "%d changes, vs 2 s target (median under 1 s)", changes);
    if (::unshare(CLONE_NEWNET) != 0) {
        PrintRow(name, Format("skipped: no private network namespace (%s; needs root)", std::strerror(errno)), 0);
        return 0;
    }
    Ip("link set lo up");
    Ip("-6 addr add 2001:db8:100::1/64 dev lo nodad");
    // The page server of the namespace's own loopback; the one bench/run started is outside it.
    ::unsetenv("KESTRUNE_BENCH_WWW");
    BenchWeb web;
    web.Write("window/status.htm", "<html><body>WAN IP: 203.0.113.7 Mask</body></html>");
    testsupport::TempDir folder("kestrune-bench-ipv6");
    kestrune::core::Settings settings = kestrune::core::defaultSettings("http://checkip.dyndns.org/");
    settings.external = false;
    settings.userDefined = true;
    settings.selectedRouter = 0;
    settings.routers = {{"Home", "1"}};
    settings.routersData = {{"1," + web.BaseURL().substr(7) + "/window/status.htm,WAN IP:,0", "0"}};
    settings.interval = 2880;
    settings.ipv6Enabled = true;
    const std::string file = folder.File("kestrune.ini");
    kestrune::core::saveSettingsFile(settings, file);
    const pid_t program = StartInBackground({KESTRUNE_EXECUTABLE, "--headless", "--config", file});
    // Bounded: a program that never asks must not hold the run.
    auto waitForRequests = [&](int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (web.WindowRequests() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                StopProcess(program, 5000);
                throw std::runtime_error("no check within 10 s of the address change");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    waitForRequests(1);
    std::vector<double> ms;
    for (int i = 0; i < changes; ++i) {
        const int before = web.WindowRequests();
        const auto start = std::chrono::steady_clock::now();
        Ip(Format("-6 addr del 2001:db8:%x::1/64 dev lo", 0x100 + i));
        Ip(Format("-6 addr add 2001:db8:%x::1/64 dev lo nodad", 0x101 + i));
        waitForRequests(before + 1);
        ms.push_back(MsSince(start));
    }
    StopProcess(program, 5000);
    PrintRow(name, Format("median %.0f ms, slowest %.0f ms", Median(ms), *std::max_element(ms.begin(), ms.end())),
             Median(ms) / 2000.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "choose")
        return Choose(argc > 2 ? std::atoi(argv[2]) : 50);
    if (mode == "reaction")
        return Reaction(argc > 2 ? std::atoi(argv[2]) : 10);
    std::fprintf(stderr, "usage: ipv6_bench choose [runs] | reaction [changes]\n");
    return 2;
} catch (const std::exception& error) {
    std::fprintf(stderr, "ipv6_bench: %s\n", error.what());
    return 1;
}
