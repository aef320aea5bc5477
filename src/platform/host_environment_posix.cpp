#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/host_environment.h"

namespace platform {

std::string hostPathValue()
{
    const char* value = std::getenv("ZORVA_PATH");
    return value ? value : "";
}

bool readProcessorInfo(ProcessorInfo& info)
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    if (!cpuinfo) return false;
    std::string line;
    bool found = false;
    while (std::getline(cpuinfo, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            if (found) break;  // the first processor's block is enough
            continue;
        }
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        std::string value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.erase(value.begin());
        if (key == "model name")
            info.nameString = value, found = true;
        else if (key == "vendor_id")
            info.vendorIdentifier = value, found = true;
        else if (key == "model")
            info.identifier = value, found = true;
    }
    return found;
}

}  // namespace platform
