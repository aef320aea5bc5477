// Plays a host that leaves the driver in each of the ways a real host process may:
// exiting without a call, exiting with objects still held (by itself or by another
// thread), a thread ending without FreeDriver, and unloading and loading again.
// The driver must survive each, and end every object it still holds with its
// statistics block in the log; tests/lifetime/run_lifetime.sh checks both.
//
//   lifetime_probe LIBRARY untouched|no-free|thread-at-exit|thread-ends|reload
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_library.h"

namespace {

using host::DriverLibrary;

// IniDriver with one PV tag of the default 808 on COM1, then a few passes of the
// poll cycle, on the calling thread; false when the driver did not start.
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
    for (int pass = 0; pass < 3; ++pass) {
        uint32_t count = 0;
        TagDataRec records[1] = {};
        calls.OnDataRead(&count, records, &message);
        DriverLibrary::take(message);
    }
    return started;
}

std::unique_ptr<DriverLibrary> load(const std::string& path)
{
    std::string error;
    auto library = DriverLibrary::load(path, error);
    if (!library) std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), error.c_str());
    return library;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lifetime_probe LIBRARY untouched|no-free|thread-at-exit|thread-ends|reload\n");
        return 2;
    }
    const std::string scenario = argv[2];
    auto library = load(argv[1]);
    if (!library) return 1;
    bool started = true;
    if (scenario == "untouched") {
        // Loaded, never called.
    } else if (scenario == "no-free") {
        started = startDriver(*library);
    } else if (scenario == "thread-at-exit") {
        // The process ends with another thread still holding its object. Notified
        // under the lock, so that the exit's destruction of the condition variable
        // comes after the notification.
        static std::mutex lock;
        static std::condition_variable ready;
        static bool holding = false;
        std::thread([&] {
            startDriver(*library);
            {
                std::lock_guard<std::mutex> guard(lock);
                holding = true;
                ready.notify_all();
            }
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }).detach();
        std::unique_lock<std::mutex> guard(lock);
        ready.wait(guard, [] { return holding; });
        std::printf("%s: done\n", scenario.c_str());
        std::fflush(stdout);
        std::exit(0);
    } else if (scenario == "thread-ends") {
        std::thread([&] { started = startDriver(*library); }).join();
        library.reset();
    } else if (scenario == "reload") {
        started = startDriver(*library);
        library.reset();  // unloaded with the object still held: its port must be free again
        library = load(argv[1]);
        started = library && startDriver(*library) && started;
        if (library) library->calls().FreeDriver();
        library.reset();
    } else {
        std::fprintf(stderr, "unknown case %s\n", scenario.c_str());
        return 2;
    }
    if (!started) return 1;
    std::printf("%s: done\n", scenario.c_str());
    return 0;
}
