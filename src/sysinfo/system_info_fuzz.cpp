// The fuzz build's machine: fixed figures instead of the system's. The fuzz programs
// build a driver object, and so a start banner, for every input; reading /proc for each
// would cost more than the code under test, and figures that never change let an input
// replay exactly as it ran.
#include "sysinfo/system_info.h"

namespace systeminfo {

bool processorDescription(std::string& description)
{
    description = "Fuzzing processor";
    return true;
}

std::string operatingSystemDescription() { return "Linux fuzzing x86_64"; }

MemoryStatus memoryStatus()
{
    constexpr uint64_t kMegabyte = 1048576;
    MemoryStatus status;
    status.loadPercent = 40;
    status.totalPhysical = 8192 * kMegabyte;  // above 4 GB: the figures need 64 bits
    status.availablePhysical = 4915 * kMegabyte;
    status.totalVirtual = 10240 * kMegabyte;
    status.availableVirtual = 6963 * kMegabyte;
    return status;
}

}  // namespace systeminfo
