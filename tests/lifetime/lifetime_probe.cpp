// A host leaving the driver each way a host process may: exiting without a call or with
// objects held (by itself or another thread), a thread ending without FreeDriver, unloading
// and loading again. run_lifetime.sh checks the process's end and the log.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_library.h"

namespace {

using host::DriverLibrary;

// IniDriver with one PV tag of the default 808 on COM1, then a few polls; false when it did not start.
bool startDriver(const DriverLibrary& library)
{
    const host::DriverEntryPoints& calls = library.calls();
    std::vector<uint8_t> block(calls.GetPDBLen());
    calls.FullPDB(block.data());
    HostTagRec tag{};
    tag.TagId = 1;
    std::strcpy(tag.Address, "PV0:0.0");
    HostTagRec* tags[1] = {&tag};
    char* message = nullptr;
    const bool started = calls.IniDriver(1, tags, block.data(), &message) != 0;
    std::printf("IniDriver: %s (%s)\n", started ? "true" : "false", DriverLibrary::take(message).c_str());
    uint32_t count = 0;
    TagDataRec records[1] = {};
    for (int pass = 0; pass < 3; ++pass) {
        calls.OnDataRead(&count, records, &message);
        DriverLibrary::take(message);
    }
    return started;
}

std::unique_ptr<DriverLibrary> load(const char* path)
{
    std::string error;
    auto library = DriverLibrary::load(path, error);
    if (!library) std::fprintf(stderr, "cannot load %s: %s\n", path, error.c_str());
    return library;
}

}  // namespace

int main(int argc, char** argv)
{
    auto library = argc == 3 ? load(argv[1]) : nullptr;
    if (argc == 3 && !library) return 1;
    const std::string scenario = library ? argv[2] : "";  // none: the usage below
    bool started = true;
    if (scenario == "untouched") {
        // Loaded, never called.
    } else if (scenario == "no-free") {
        started = startDriver(*library);
    } else if (scenario == "thread-at-exit") {
        // The process ends with another thread still holding its object; std::exit
        // leaves main's locals, the promise among them, alone.
        std::promise<void> holding;
        std::thread([&] {
            startDriver(*library);
            holding.set_value();
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }).detach();
        holding.get_future().wait();
        std::printf("%s: done\n", scenario.c_str());
        std::fflush(stdout);
        std::exit(0);
    } else if (scenario == "thread-ends") {
        // Each thread's object ends with it, and its port with it: the next thread opens COM1 again.
        for (int thread = 0; thread < 2; ++thread)
            std::thread([&] { started = startDriver(*library) && started; }).join();
        library.reset();
    } else if (scenario == "reload") {
        started = startDriver(*library);
        library.reset();  // unloaded with the object still held: its port must be free again
        library = load(argv[1]);
        started = library && startDriver(*library) && started;
        if (library) library->calls().FreeDriver();
        library.reset();
    } else {
        std::fprintf(stderr, "usage: lifetime_probe LIBRARY untouched|no-free|thread-at-exit|thread-ends|reload\n");
        return 2;
    }
    if (!started) return 1;
    std::printf("%s: done\n", scenario.c_str());
    return 0;
}
