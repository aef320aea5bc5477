#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <fstream>
#include <string>

#include "sysinfo/system_info.h"

namespace systeminfo {

std::string operatingSystemDescription()
{
    utsname names{};
    if (uname(&names) != 0) return "Unknown system";
    return std::string(names.sysname) + " " + names.release + " (" + names.version + ") " + names.machine;
}

MemoryStatus memoryStatus()
{
    MemoryStatus status;
    struct sysinfo figures {};
    if (sysinfo(&figures) == 0) {
        const uint64_t unit = figures.mem_unit ? figures.mem_unit : 1;
        status.totalPhysical = static_cast<uint64_t>(figures.totalram) * unit;
        status.availablePhysical = static_cast<uint64_t>(figures.freeram + figures.bufferram) * unit;
        status.totalVirtual = static_cast<uint64_t>(figures.totalram + figures.totalswap) * unit;
        status.availableVirtual = static_cast<uint64_t>(figures.freeram + figures.freeswap) * unit;
    }
    // MemAvailable is the truer free figure on Linux.
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unitText;
    while (meminfo >> key >> kilobytes >> unitText) {
        if (key == "MemAvailable:") status.availablePhysical = kilobytes * 1024;
    }
    if (status.totalPhysical > 0 && status.availablePhysical <= status.totalPhysical)
        status.loadPercent = static_cast<uint32_t>(100 - (status.availablePhysical * 100 + status.totalPhysical / 2) /
                                                             status.totalPhysical);
    return status;
}

}  // namespace systeminfo
