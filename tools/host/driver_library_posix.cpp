#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "host/driver_library.h"

namespace host {

namespace {

template <typename Function>
bool resolve(void* module, const char* name, Function& target, std::string& missing)
{
    target = reinterpret_cast<Function>(dlsym(module, name));
    if (!target) missing += std::string(missing.empty() ? "" : ", ") + name;
    return target != nullptr;
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::load(const std::string& path, std::string& error)
{
    error.clear();
    // A path without "/" would be searched for on the library path instead.
    const std::string opened = path.find('/') == std::string::npos ? "./" + path : path;
    void* module = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
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
    if (module_) dlclose(module_);
}

std::string DriverLibrary::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    std::free(text);
    return copy;
}

std::string driverFileName() { return "libOstrevane800.so"; }

std::string programFolder()
{
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.find_last_of('/') + 1);
}

}  // namespace host
