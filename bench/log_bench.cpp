// Adds one entry to logs of 100, 10,000 and 100,000 lines and compares the time with copying the same file by
// `cp` (a process, as a user would) and by a plain in-process read/write loop. Prints medians.
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

template <typename F>
double MedianMs(F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        auto start = Clock::now();
        run();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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

    std::printf("%-8s %10s %12s %10s %10s %10s %14s\n", "lines", "bytes", "WriteLog ms", "cp ms", "copy ms",
                "vs cp", "vs copy loop");
    for (int lines : {100, 10000, 100000}) {
        fs::path log = folder / ("ip-" + std::to_string(lines) + ".log");
        {
            std::ofstream out(log, std::ios::binary);
            for (int i = 0; i < lines; ++i)
                out << entry << "\r\n";
        }
        auto size = fs::file_size(log);
        // With the limit equal to the length the log keeps its size: every run copies lines − 1 old lines.
        double writeLog = MedianMs([&] { WriteLog(log.string(), entry, lines); });
        if (fs::file_size(log) != size) {
            std::fprintf(stderr, "log size changed\n");
            return 1;
        }
        double cp = MedianMs([&] { RunCp(log, folder / "cp-copy"); });
        double loop = MedianMs([&] { CopyInProcess(log, folder / "loop-copy"); });
        std::printf("%-8d %10ju %12.3f %10.3f %10.3f %9.2fx %13.2fx\n", lines, static_cast<std::uintmax_t>(size),
                    writeLog, cp, loop, writeLog / cp, writeLog / loop);
    }
    fs::remove_all(folder);
    return 0;
}
