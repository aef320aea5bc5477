#include <windows.h>
#include <objbase.h>

#include "host/driver_library.h"
#include "host/driver_library_os.h"

namespace host {

namespace {

std::wstring wide(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), length);
    return result;
}

}  // namespace

namespace os {

void* openModule(const std::string& path, std::string& error)
{
    HMODULE module = LoadLibraryW(wide(path).c_str());
    if (!module) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return module;
}

void closeModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

void* findEntryPoint(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void releaseDriverText(char* text) { CoTaskMemFree(text); }

}  // namespace os

std::string driverFileName() { return "Ostrevane800.dll"; }

std::string programFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    path.resize(path.find_last_of(L"\\/") + 1);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace host
