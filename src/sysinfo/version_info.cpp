#include "sysinfo/version_info.h"

#include <cctype>

namespace systeminfo {

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
