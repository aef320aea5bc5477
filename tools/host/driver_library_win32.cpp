#include <objbase.h>
#include <windows.h>

#include "host/driver_library.h"

namespace host {

namespace {

template <typename Function>
void resolve(HMODULE module, const char* name, Function& target, std::string& missing)
{
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!target) missing += std::string(missing.empty() ? "" : ", ") + name;
}

std::wstring wide(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), length);
    return result;
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::load(const std::string& path, std::string& error)
{
    error.clear();
    HMODULE module = LoadLibraryW(wide(path).c_str());
    if (!module) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    std::unique_ptr<DriverLibrary> library(new DriverLibrary);
    library->module_ = module;
    library->path_ = path;
    DriverEntryPoints& c = library->calls_;
    std::string missing;
    resolve(module, "IniDriver", c.IniDriver, missing);
    resolve(module, "IniDriverEx", c.IniDriverEx, missing);
    resolve(module, "FreeDriver", c.FreeDriver, missing);
    resolve(module, "OnDataRead", c.OnDataRead, missing);
    resolve(module, "OnDataWrite", c.OnDataWrite, missing);
    resolve(module, "GetDeviceStatus", c.GetDeviceStatus, missing);
    resolve(module, "WriteLog", c.WriteLog, missing);
    resolve(module, "DetectScanTime", c.DetectScanTime, missing);
    resolve(module, "GetTagAddrList", c.GetTagAddrList, missing);
    resolve(module, "TagEdAddr", c.TagEdAddr, missing);
    resolve(module, "DLLEdDev", c.DLLEdDev, missing);
    resolve(module, "DLLTestDev", c.DLLTestDev, missing);
    resolve(module, "GetPDBLen", c.GetPDBLen, missing);
    resolve(module, "FullPDB", c.FullPDB, missing);
    if (!missing.empty()) {
        error = path + " lacks the entry points " + missing;
        return nullptr;
    }
    return library;
}

DriverLibrary::~DriverLibrary()
{
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::string DriverLibrary::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}

std::string driverFileName() { return "Ostrevane800.dll"; }

std::string programFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    path.resize(path.find_last_of(L"\\/") + 1);
    const int size = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace host
