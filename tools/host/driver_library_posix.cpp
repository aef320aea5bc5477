#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "host/driver_library.h"
#include "host/driver_library_os.h"

namespace host {

namespace os {

void* openModule(const std::string& path, std::string& error)
{
    // A path without "/" would be searched for on the library path instead.
    const std::string opened = path.find('/') == std::string::npos ? "./" + path : path;
    void* module = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
    }
    return module;
}

void closeModule(void* module) { dlclose(module); }

void* findEntryPoint(void* module, const char* name) { return dlsym(module, name); }

void releaseDriverText(char* text) { std::free(text); }

}  // namespace os

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
