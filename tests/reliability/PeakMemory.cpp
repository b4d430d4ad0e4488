#include "PeakMemory.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

void PeakMemory::Start() {
    // "5" resets the peak resident size (VmHWM) to the present one.
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5";
    reset.close();
    if (!reset)
        throw std::runtime_error("cannot reset the peak resident size");
    fBaseKiB = StatusKiB("VmRSS");
}

long PeakMemory::GrowthKiB() const { return StatusKiB("VmHWM") - fBaseKiB; }

long PeakMemory::StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            std::istringstream value(line.substr(field.size() + 1));
            long kib = -1;
            value >> kib;
            return kib;
        }
    }
    return -1;
}

int PeakMemory::OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1;  // the iterator's own descriptor
}
