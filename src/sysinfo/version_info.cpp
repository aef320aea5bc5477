#include "sysinfo/version_info.h"

#include <cctype>

namespace systeminfo {
namespace {

// Not a static object: at process exit the C++ runtime destroys statics before the
// library's unload step runs, and the driver objects ended there still log with it.
ProcessVersions* versions = nullptr;

}  // namespace

ProcessVersions& processVersions()
{
    if (!versions) versions = new ProcessVersions;
    return *versions;
}

void releaseProcessVersions()
{
    delete versions;
    versions = nullptr;
}

const std::string& DeviceName() { return processVersions().driverVersion.DeviceName; }
const std::string& DevTypeName() { return processVersions().driverVersion.DevTypeName; }
const std::string& DevIDName() { return processVersions().driverVersion.DevIDName; }
const std::string& ChnName() { return processVersions().driverVersion.ChnName; }

std::string hostFolderFrom(const std::string& registryValue)
{
    const size_t last = registryValue.find_last_of("\\/:");
    std::string folder = last == std::string::npos ? std::string() : registryValue.substr(0, last + 1);
    size_t begin = 0, end = folder.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(folder[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(folder[end - 1]))) --end;
    return folder.substr(begin, end - begin);
}

}  // namespace systeminfo
