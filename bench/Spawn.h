#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

// A child process run to its end: its wall time, what it wrote to standard output, and its exit code
// (128 + signal when a signal ended it). The start time is taken just before the spawn.
struct RunResult {
    double WallMs = 0;
    long long StartNs = 0; // CLOCK_REALTIME just before the spawn
    std::string Output;
    int ExitCode = -1;
};

// Runs argv[0] (a path) with the current environment plus extra "NAME=value" entries; standard error is
// passed through. Throws when the program cannot be started.
RunResult RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});

// Starts argv[0] in the background with the extra environment; standard output goes to /dev/null. The
// program gets SIGTERM when the calling thread ends.
pid_t StartInBackground(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                        const std::string& workingFolder = {});
// Sends SIGTERM and waits; SIGKILL when it has not ended after timeoutMs. Returns the wait status.
int StopProcess(pid_t pid, int timeoutMs);

// argv's wall time; throws unless it exits with 0 and its output begins with outputStart.
double TimeCommand(const std::vector<std::string>& argv, const std::string& outputStart = {});
// Runs both commands once untimed, then runs times alternating, and prints the row of ours against curl;
// curl's output must begin with curlOutputStart.
void CompareCommands(const std::string& name, const std::vector<std::string>& ours,
                     const std::vector<std::string>& curl, int runs, const std::string& curlOutputStart = {});
