#include <windows.h>

#include "platform/host_environment.h"

namespace platform {
namespace {

bool readRegistryString(HKEY key, const char* name, std::string& value)
{
    char buffer[1024];
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = 0;
    value = buffer;
    return true;
}

}  // namespace

std::string hostPathValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ZORVA", 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string value;
    readRegistryString(key, "PATH", value);
    RegCloseKey(key);
    return value;
}

bool readProcessorInfo(ProcessorInfo& info)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\description\\system\\centralprocessor\\0", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    readRegistryString(key, "ProcessorNameString", info.nameString);
    readRegistryString(key, "VendorIdentifier", info.vendorIdentifier);
    readRegistryString(key, "Identifier", info.identifier);
    RegCloseKey(key);
    return true;
}

}  // namespace platform
