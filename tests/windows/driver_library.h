// Ostrevane800.dll loaded as a host loads it: by path, entry points looked up by
// their undecorated names.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "Ostrevane800.h"

namespace wintest {

struct DriverLibrary {
    HMODULE module = nullptr;
    std::wstring path;
    decltype(&::IniDriver) IniDriver = nullptr;
    decltype(&::IniDriverEx) IniDriverEx = nullptr;
    decltype(&::FreeDriver) FreeDriver = nullptr;
    decltype(&::OnDataRead) OnDataRead = nullptr;
    decltype(&::OnDataWrite) OnDataWrite = nullptr;
    decltype(&::GetDeviceStatus) GetDeviceStatus = nullptr;
    decltype(&::WriteLog) WriteLog = nullptr;
    decltype(&::DetectScanTime) DetectScanTime = nullptr;
    decltype(&::GetTagAddrList) GetTagAddrList = nullptr;
    decltype(&::TagEdAddr) TagEdAddr = nullptr;
    decltype(&::DLLEdDev) DLLEdDev = nullptr;
    decltype(&::DLLTestDev) DLLTestDev = nullptr;
    decltype(&::GetPDBLen) GetPDBLen = nullptr;
    decltype(&::FullPDB) FullPDB = nullptr;

    bool complete() const;
};

// The fourteen names a host looks up.
extern const std::array<const char*, 14> kExportNames;

// The library beside this program (or at %OSTREVANE800_DLL%), loaded once for
// the whole run. module is null when it could not be loaded.
const DriverLibrary& driverLibrary();

// Takes a text the driver handed over: copies it and releases the buffer with
// CoTaskMemFree, as a host must. A null pointer gives an empty text.
std::string takeHostText(char* text);

// Runs the calls on a new thread: each thread starts without a driver object,
// and its driver object is destroyed when it ends.
void onFreshThread(const std::function<void()>& calls);

// A default configuration made by the library itself (FullPDB on a zeroed block).
OstrevanePDB defaultPDB();

}  // namespace wintest
