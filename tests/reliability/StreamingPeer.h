#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// A loopback peer in a process of its own that sends far more than a client should ever hold: after an
// optional wait for the client's first bytes, a prefix, then one unit again and again up to a byte count
// (or until the client goes away). Its memory is not the test's, so the test process can measure its own.
// Stopped by its process id when destroyed.
class StreamingPeer {
public:
    struct Script {
        std::string WaitFor;   // read until this arrives before sending ("" = send at once)
        std::string Prefix;
        std::string Unit;      // repeated after the prefix
        uint64_t UnitBytes = 0;
        bool Reset = false;    // end with a reset instead of a normal close
    };

    explicit StreamingPeer(const Script& script);
    ~StreamingPeer();
    StreamingPeer(const StreamingPeer&) = delete;
    StreamingPeer& operator=(const StreamingPeer&) = delete;

    uint16_t Port() const { return fPort; }

private:
    pid_t fPid = -1;
    uint16_t fPort = 0;
};
