// Adds one entry to logs of 100, 10,000 and 100,000 lines (the limit above the length, so nothing is dropped)
// and compares the time with copying the same file by `cp` (a process, as a user would) and, since the log's
// write is durable, with `cp` followed by `sync` of the copy; an in-process read/write loop is shown beside.
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

using namespace kestrune::actions;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 41;

template <typename F>
double TimeMs(F&& run)
{
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void RunTool(const char* path, const std::vector<const char*>& args)
{
    std::vector<char*> argv;
    for (const char* arg : args)
        argv.push_back(const_cast<char*>(arg));
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(path, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", path);
        std::exit(1);
    }
}

void RunCp(const fs::path& from, const fs::path& to) { RunTool("/bin/cp", {"cp", from.c_str(), to.c_str()}); }

// A copy that is on the disk when it ends, as the log's new version is.
void RunCpSync(const fs::path& from, const fs::path& to)
{
    RunCp(from, to);
    RunTool("/bin/sync", {"sync", to.c_str()});
}

void SyncFile(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        std::fprintf(stderr, "could not sync %s\n", file.c_str());
        std::exit(1);
    }
    ::close(fd);
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
    const std::string entry = formatLogEntry(std::time(nullptr), DateNames::english(), "203.0.113.7");

    struct Size {
        int Lines;
        fs::path Original;
        std::uintmax_t Bytes;
        std::vector<double> writeLog, Cp, CpSync, Loop;
    };
    std::vector<Size> sizes;
    for (int lines : {100, 10000, 100000}) {
        const fs::path original = folder / ("original-" + std::to_string(lines) + ".log");
        {
            std::ofstream out(original, std::ios::binary);
            for (int i = 0; i < lines; ++i)
                out << entry << "\r\n";
        }
        sizes.push_back({lines, original, fs::file_size(original), {}, {}, {}, {}});
    }
    // The three methods take turns, so that a change in the machine's load meets them alike. Sizes run one
    // after the other: the writeback of a large file would otherwise land on the small ones.
    for (Size& size : sizes) {
        const std::string suffix = std::to_string(size.Lines);
        const fs::path log = folder / ("ip-" + suffix + ".log");
        const fs::path cpCopy = folder / ("cp-" + suffix), loopCopy = folder / ("loop-" + suffix);
        const fs::path cpSyncCopy = folder / ("cp-sync-" + suffix);
        for (int round = 0; round < kRuns; ++round) {
            // Each run starts from the same log, so every run copies all its lines below the new entry.
            fs::copy_file(size.Original, log, fs::copy_options::overwrite_existing);
            // A log waits on the disk between checks: its copy is written out before the timed entry.
            SyncFile(log);
            size.writeLog.push_back(TimeMs([&] { kestrune::actions::writeLog(log.string(), entry, size.Lines + 1000); }));
            if (fs::file_size(log) != size.Bytes + entry.size() + 2) {
                std::fprintf(stderr, "the log did not grow by one entry\n");
                return 1;
            }
            size.Cp.push_back(TimeMs([&] { RunCp(size.Original, cpCopy); }));
            size.CpSync.push_back(TimeMs([&] { RunCpSync(size.Original, cpSyncCopy); }));
            size.Loop.push_back(TimeMs([&] { CopyInProcess(size.Original, loopCopy); }));
        }
    }
    // On a shared machine a run of a millisecond is often preempted; the best run of each is its own cost,
    // so the ratios use the minimum. Medians are shown beside.
    auto best = [](const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); };
    for (const Size& size : sizes) {
        const double writeLog = best(size.writeLog), cp = best(size.Cp);
        PrintRow(Format("log write, one entry on %d lines (%ju bytes), vs cp of the file", size.Lines, size.Bytes),
                 Format("WriteLog %.3f ms, cp %.3f ms, in-process copy %.3f ms (best of %d; medians %.3f, %.3f, "
                        "%.3f)",
                        writeLog, cp, best(size.Loop), kRuns, Median(size.writeLog), Median(size.Cp),
                        Median(size.Loop)),
                 writeLog / cp);
        const double cpSync = best(size.CpSync);
        PrintRow(Format("log write, one entry on %d lines (%ju bytes), vs cp then sync of the copy", size.Lines,
                        size.Bytes),
                 Format("WriteLog %.3f ms, cp + sync %.3f ms (best of %d; medians %.3f, %.3f)", writeLog, cpSync,
                        kRuns, Median(size.writeLog), Median(size.CpSync)),
                 writeLog / cpSync);
    }
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        const Size& small = sizes[i - 1];
        const Size& large = sizes[i];
        const double oursGrowth = best(large.writeLog) / best(small.writeLog);
        const double cpGrowth = best(large.Cp) / best(small.Cp);
        PrintRow(Format("log write growth %d / %d lines, vs cp's growth", large.Lines, small.Lines),
                 Format("WriteLog %.2fx, cp %.2fx (best runs; lines %dx)", oursGrowth, cpGrowth,
                        large.Lines / small.Lines),
                 oursGrowth / cpGrowth);
    }
    fs::remove_all(folder);
    return 0;
}
