#pragma once

#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A peer program a test runs on 127.0.0.1: it prints the port it listens on as its first line,
// and is stopped by its process id.
class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess() { Stop(); }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // Starts args[0] and waits, within a bound, until it accepts connections; name goes into error texts.
    // On failure nothing is left running.
    void Start(std::vector<std::string> args, const std::string& name);
    void Stop();
    uint16_t Port() const { return fPort; }

private:
    pid_t fPid = -1;
    uint16_t fPort = 0;
};

// Ends a child process the test started: SIGTERM, SIGKILL when it has not ended within 5 s; reaped either way.
void EndChild(pid_t pid);

// A peer's request log: one JSON object a line (none when the file is missing).
std::vector<nlohmann::json> ReadJsonLines(const std::string& file);

// Runs a program to its end with its error output discarded; true when it exits with 0.
bool RunToEnd(std::vector<std::string> args);

} // namespace testsupport
