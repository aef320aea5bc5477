// Loading the driver: what every system shares. The OS files open and close the
// module, look up one name and release a text the driver handed over.
#include "host/driver_library.h"

#include <type_traits>

#include "host/driver_library_os.h"

namespace host {

namespace {

// Calls `visit(name, entry point)` for each of the fourteen exports.
template <typename Visit>
void forEachEntryPoint(DriverEntryPoints& calls, Visit visit)
{
    visit("IniDriver", calls.IniDriver);
    visit("IniDriverEx", calls.IniDriverEx);
    visit("FreeDriver", calls.FreeDriver);
    visit("OnDataRead", calls.OnDataRead);
    visit("OnDataWrite", calls.OnDataWrite);
    visit("GetDeviceStatus", calls.GetDeviceStatus);
    visit("WriteLog", calls.WriteLog);
    visit("DetectScanTime", calls.DetectScanTime);
    visit("GetTagAddrList", calls.GetTagAddrList);
    visit("TagEdAddr", calls.TagEdAddr);
    visit("DLLEdDev", calls.DLLEdDev);
    visit("DLLTestDev", calls.DLLTestDev);
    visit("GetPDBLen", calls.GetPDBLen);
    visit("FullPDB", calls.FullPDB);
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::load(const std::string& path, std::string& error)
{
    error.clear();
    void* module = os::openModule(path, error);
    if (!module) return nullptr;
    std::unique_ptr<DriverLibrary> library(new DriverLibrary);
    library->module_ = module;
    library->path_ = path;
    std::string missing;
    forEachEntryPoint(library->calls_, [&](const char* name, auto& target) {
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(os::findEntryPoint(module, name));
        if (!target) missing += std::string(missing.empty() ? "" : ", ") + name;
    });
    if (!missing.empty()) {
        error = path + " lacks the entry points " + missing;
        return nullptr;
    }
    return library;
}

DriverLibrary::~DriverLibrary()
{
    if (module_) os::closeModule(module_);
}

std::string DriverLibrary::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    os::releaseDriverText(text);
    return copy;
}

}  // namespace host
