// Figures of the machine for the log's start banner and statistics block.
#pragma once
#include <cstdint>
#include <string>

namespace systeminfo {

struct MemoryStatus {
    uint32_t loadPercent = 0;
    uint64_t totalPhysical = 0;
    uint64_t availablePhysical = 0;
    uint64_t totalVirtual = 0;
    uint64_t availableVirtual = 0;
};

// False when the system offers no processor description.
bool processorDescription(std::string& description);
// E.g. "Microsoft Windows XP Service Pack 3(Build 2600)" or "Linux 6.1.0 x86_64".
std::string operatingSystemDescription();
MemoryStatus memoryStatus();

}  // namespace systeminfo
