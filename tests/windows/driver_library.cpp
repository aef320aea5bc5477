#include "driver_library.h"

#include <objbase.h>

#include <cstdlib>
#include <thread>

namespace wintest {
namespace {

std::wstring libraryPath()
{
    if (const wchar_t* configured = _wgetenv(L"OSTREVANE800_DLL"); configured && *configured) return configured;
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, length);
    const size_t cut = folder.find_last_of(L"\\/");
    folder.resize(cut == std::wstring::npos ? 0 : cut + 1);
    return folder + L"Ostrevane800.dll";
}

template <typename Function>
void resolve(HMODULE module, const char* name, Function& target)
{
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

DriverLibrary load()
{
    DriverLibrary library;
    library.path = libraryPath();
    library.module = LoadLibraryW(library.path.c_str());
    if (!library.module) return library;
    resolve(library.module, "IniDriver", library.IniDriver);
    resolve(library.module, "IniDriverEx", library.IniDriverEx);
    resolve(library.module, "FreeDriver", library.FreeDriver);
    resolve(library.module, "OnDataRead", library.OnDataRead);
    resolve(library.module, "OnDataWrite", library.OnDataWrite);
    resolve(library.module, "GetDeviceStatus", library.GetDeviceStatus);
    resolve(library.module, "WriteLog", library.WriteLog);
    resolve(library.module, "DetectScanTime", library.DetectScanTime);
    resolve(library.module, "GetTagAddrList", library.GetTagAddrList);
    resolve(library.module, "TagEdAddr", library.TagEdAddr);
    resolve(library.module, "DLLEdDev", library.DLLEdDev);
    resolve(library.module, "DLLTestDev", library.DLLTestDev);
    resolve(library.module, "GetPDBLen", library.GetPDBLen);
    resolve(library.module, "FullPDB", library.FullPDB);
    return library;
}

}  // namespace

const std::array<const char*, 14> kExportNames = {
    "IniDriver",      "IniDriverEx",    "FreeDriver", "OnDataRead", "OnDataWrite", "GetDeviceStatus", "WriteLog",
    "DetectScanTime", "GetTagAddrList", "TagEdAddr",  "DLLEdDev",   "DLLTestDev",  "GetPDBLen",       "FullPDB"};

bool DriverLibrary::complete() const
{
    return module && IniDriver && IniDriverEx && FreeDriver && OnDataRead && OnDataWrite && GetDeviceStatus &&
           WriteLog && DetectScanTime && GetTagAddrList && TagEdAddr && DLLEdDev && DLLTestDev && GetPDBLen && FullPDB;
}

const DriverLibrary& driverLibrary()
{
    static const DriverLibrary library = load();
    return library;
}

std::string takeHostText(char* text)
{
    if (!text) return {};
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}

void onFreshThread(const std::function<void()>& calls)
{
    std::thread worker(calls);
    worker.join();
}

OstrevanePDB defaultPDB()
{
    OstrevanePDB block{};
    driverLibrary().FullPDB(&block);
    return block;
}

}  // namespace wintest
