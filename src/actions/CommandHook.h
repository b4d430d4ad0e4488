#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::actions {

// The program path, then its arguments separated by blanks; double quotes group an argument that holds
// blanks (and are dropped). An unclosed quote raises std::invalid_argument.
std::vector<std::string> splitCommandLine(std::string_view line);

struct CommandRun {
    std::vector<std::string> arguments;    // arguments[0] is the program; looked up in PATH without a '/'
    std::vector<std::string> environment;  // "NAME=value" set on top of the program's own environment
    std::chrono::milliseconds limit{60000};
};

struct CommandOutcome {
    bool started = false;
    bool timedOut = false;     // the limit passed and the command was killed
    int exitStatus = -1;       // when it exited by itself
    int signal = 0;            // when a signal ended it
    std::string output;        // the start of standard output and error together
    std::string error;         // why it could not be started

    bool succeeded() const { return started && !timedOut && signal == 0 && exitStatus == 0; }
    // The first count lines of the output, joined by " | ".
    std::string firstLines(int count) const;
    // One line for the status bar: how it ended and the first lines of its output.
    std::string summary() const;
};

// The command with {IP} filled into its arguments and KESTRUNE_IP / KESTRUNE_OLD_IP in its environment.
CommandRun commandForAddress(std::string_view commandLine, const std::string& address, const std::string& oldAddress);
// With IPv6 on: {IP6} filled in as well and KESTRUNE_IP6 / KESTRUNE_OLD_IP6 beside the others.
void addIpv6Address(CommandRun& run, const std::string& address6, const std::string& oldAddress6);

// Runs the command without a shell, in a process group of its own, standard input empty. Its output is read
// through the network layer's wait, so a window stays responsive; at the limit, or when the wait is
// cancelled (the cancel is raised again), the group is killed by its id. Never waits without bound.
CommandOutcome runCommand(const CommandRun& run);

} // namespace kestrune::actions
