#include <windows.h>

#include <cstdio>

#include "sysinfo/system_info.h"

namespace systeminfo {
namespace {

typedef LONG(WINAPI* RtlGetVersionFunction)(OSVERSIONINFOW*);

std::string familyName(DWORD major, DWORD minor)
{
    if (major == 5 && minor == 0) return "Microsoft Windows 2000";
    if (major == 5 && minor == 1) return "Microsoft Windows XP ";
    if (major == 5 && minor == 2) return "Microsoft Windows Server 2003 ";
    if (major == 6 && minor == 0) return "Microsoft Windows Vista ";
    if (major == 6 && minor == 1) return "Microsoft Windows 7 ";
    if (major == 6 && minor == 2) return "Microsoft Windows 8 ";
    if (major == 6 && minor == 3) return "Microsoft Windows 8.1 ";
    if (major == 10) return "Microsoft Windows 10 ";
    char text[64];
    std::snprintf(text, sizeof text, "Microsoft Windows %lu.%lu ", major, minor);
    return text;
}

}  // namespace

std::string operatingSystemDescription()
{
    // GetVersionEx lies to programs without a manifest; the kernel's own call does not.
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return "Microsoft Windows";
    std::string description = familyName(info.dwMajorVersion, info.dwMinorVersion);
    char servicePack[256] = {0};
    WideCharToMultiByte(936, 0, info.szCSDVersion, -1, servicePack, sizeof servicePack - 1, nullptr, nullptr);
    char build[48];
    std::snprintf(build, sizeof build, "(Build %lu)", info.dwBuildNumber);
    return description + servicePack + build;
}

MemoryStatus memoryStatus()
{
    MemoryStatus status;
    MEMORYSTATUSEX figures{};
    figures.dwLength = sizeof figures;
    if (GlobalMemoryStatusEx(&figures)) {
        status.loadPercent = figures.dwMemoryLoad;
        status.totalPhysical = figures.ullTotalPhys;
        status.availablePhysical = figures.ullAvailPhys;
        status.totalVirtual = figures.ullTotalVirtual;
        status.availableVirtual = figures.ullAvailVirtual;
    }
    return status;
}

}  // namespace systeminfo
