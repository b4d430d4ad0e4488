// Adds one entry to logs of 100, 10,000 and 100,000 lines (the limit above the length, so nothing is dropped)
// and compares the time with copying the same file by `cp` (a process, as a user would); an in-process
// read/write loop is shown beside. Prints medians.
#include "BenchReport.h"
#include "LogFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 31;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// prepare runs untimed before each timed run.
template <typename Prepare, typename F>
double MedianMs(Prepare&& prepare, F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        auto start = Clock::now();
        run();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    return Median(times);
}

void RunCp(const fs::path& from, const fs::path& to)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/cp", "cp", from.c_str(), to.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(1);
    }
}

void CopyInProcess(const fs::path& from, const fs::path& to)
{
    int in = ::open(from.c_str(), O_RDONLY);
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buffer(1 << 18);
    for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
        if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
            std::exit(1);
    ::close(in);
    ::close(out);
}

} // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "kestrune-log-bench-XXXXXX").string();
    fs::path folder = ::mkdtemp(pattern.data());
    const std::string entry = FormatLogEntry(std::time(nullptr), TDateNames::English(), "203.0.113.7");

    struct Measured {
        int Lines;
        double WriteLog, Cp;
    };
    std::vector<Measured> measured;
    for (int lines : {100, 10000, 100000}) {
        const fs::path original = folder / ("original-" + std::to_string(lines) + ".log");
        {
            std::ofstream out(original, std::ios::binary);
            for (int i = 0; i < lines; ++i)
                out << entry << "\r\n";
        }
        const auto size = fs::file_size(original);
        const fs::path log = folder / "ip.log";
        // Each run starts from the same log, so every run copies all its lines below the new entry.
        auto restore = [&] { fs::copy_file(original, log, fs::copy_options::overwrite_existing); };
        auto nothing = [] {};
        const double writeLog = MedianMs(restore, [&] { WriteLog(log.string(), entry, lines + 1000); });
        if (fs::file_size(log) != size + entry.size() + 2) {
            std::fprintf(stderr, "the log did not grow by one entry\n");
            return 1;
        }
        const double cp = MedianMs(nothing, [&] { RunCp(original, folder / "cp-copy"); });
        const double loop = MedianMs(nothing, [&] { CopyInProcess(original, folder / "loop-copy"); });
        PrintRow(Format("log write, one entry on %d lines (%ju bytes), vs cp of the file", lines,
                        static_cast<std::uintmax_t>(size)),
                 Format("WriteLog %.3f ms, cp %.3f ms, in-process copy %.3f ms (medians)", writeLog, cp, loop),
                 writeLog / cp);
        measured.push_back({lines, writeLog, cp});
    }
    for (std::size_t i = 1; i < measured.size(); ++i) {
        const Measured& small = measured[i - 1];
        const Measured& large = measured[i];
        const double oursGrowth = large.WriteLog / small.WriteLog, cpGrowth = large.Cp / small.Cp;
        PrintRow(Format("log write growth %d / %d lines, vs cp's growth", large.Lines, small.Lines),
                 Format("WriteLog %.2fx, cp %.2fx (lines %dx)", oursGrowth, cpGrowth, large.Lines / small.Lines),
                 oursGrowth / cpGrowth);
    }
    fs::remove_all(folder);
    return 0;
}
