// The driver library loaded at run time, as a SCADA host loads its drivers: by path,
// the fourteen entry points looked up by their undecorated names.
#pragma once
#include <memory>
#include <string>

#include "Ostrevane800.h"

namespace host {

struct DriverEntryPoints {
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
};

class DriverLibrary {
public:
    // Loads the library at `path`; empty `error` on success, else why not.
    static std::unique_ptr<DriverLibrary> load(const std::string& path, std::string& error);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    const DriverEntryPoints& calls() const { return calls_; }
    const std::string& path() const { return path_; }

    // Takes a text the driver handed over (GBK, may be null) and releases the buffer
    // with the allocator the driver used.
    static std::string take(char* text);

private:
    DriverLibrary() = default;
    void* module_ = nullptr;
    std::string path_;
    DriverEntryPoints calls_;
};

// The library's file name on this system ("libOstrevane800.so", "Ostrevane800.dll").
std::string driverFileName();

// The folder of the running program, with a trailing separator.
std::string programFolder();

}  // namespace host
