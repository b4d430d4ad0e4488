#pragma once

#include <cstdint>
#include <string>

// The resident memory of this process around one operation: Start() resets the kernel's high-water mark,
// GrowthKiB() is how far the peak rose above the resident size at Start().
class PeakMemory {
public:
    void Start();
    long GrowthKiB() const;

    // A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when it cannot be read.
    static long StatusKiB(const std::string& field);
    // Open file descriptors of this process.
    static int OpenDescriptors();

private:
    long fBaseKiB = 0;
};
