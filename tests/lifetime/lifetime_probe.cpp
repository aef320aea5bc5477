// Plays a host that leaves the driver in each of the ways a real host process may:
// exiting without a call, exiting with objects still held (by itself or by another
// thread), a thread ending without FreeDriver, and unloading and loading again.
// The driver must survive each, and end every object it still holds with its
// statistics block in the log; tests/lifetime/run_lifetime.sh checks both.
//
//   lifetime_probe LIBRARY CASE
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

// One PV tag on an 808 at address 1, the line on COM1.
struct Session {
    std::vector<uint8_t> block;
    HostTagRec tag{};
    HostTagRec* tags[1] = {&tag};

    explicit Session(const DriverLibrary& library)
    {
        block.resize(library.calls().GetPDBLen());
        library.calls().FullPDB(block.data());
        auto* pdb = reinterpret_cast<OstrevanePDB*>(block.data());
        static const char kTypeName[] = "Ostrevane808";
        pdb->Devices[1].DeviceType = 0;
        pdb->Devices[1].TypeName[0] = sizeof kTypeName - 1;
        std::memcpy(pdb->Devices[1].TypeName + 1, kTypeName, sizeof kTypeName - 1);
        pdb->PortCode = 0;
        tag.TagId = 1;
        std::strcpy(tag.Name, "pv");
        std::strcpy(tag.Address, "PV1:0.0");
        tag.ValueType = OSTREVANE_VALUE_NUMBER;
    }
};

// IniDriver and a few passes of the poll cycle on the calling thread.
bool startDriver(const DriverLibrary& library, Session& session)
{
    char* message = nullptr;
    const bool started = library.calls().IniDriver(1, session.tags, session.block.data(), &message) != 0;
    std::printf("IniDriver: %s (%s)\n", started ? "true" : "false", DriverLibrary::take(message).c_str());
    for (int pass = 0; pass < 3; ++pass) {
        uint32_t count = 0;
        TagDataRec records[1] = {};
        char* passMessage = nullptr;
        library.calls().OnDataRead(&count, records, &passMessage);
        DriverLibrary::take(passMessage);
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

// A thread that starts a driver object and then stays alive, holding it, until the process ends.
void holdForever(const DriverLibrary& library, std::mutex& lock, std::condition_variable& started, bool& ready)
{
    Session session(library);
    startDriver(library, session);
    {
        // Notified under the lock, so that the main thread's exit (which destroys the
        // condition variable) comes after the notification.
        std::lock_guard<std::mutex> guard(lock);
        ready = true;
        started.notify_all();
    }
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: lifetime_probe LIBRARY untouched|no-free|thread-at-exit|thread-ends|reload\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string scenario = argv[2];
    auto library = load(path);
    if (!library) return 1;

    if (scenario == "untouched") {
        // Loaded, never called.
    } else if (scenario == "no-free") {
        Session session(*library);
        startDriver(*library, session);
    } else if (scenario == "thread-at-exit") {
        static std::mutex lock;
        static std::condition_variable started;
        static bool ready = false;
        std::thread(holdForever, std::cref(*library), std::ref(lock), std::ref(started), std::ref(ready)).detach();
        std::unique_lock<std::mutex> guard(lock);
        started.wait(guard, [] { return ready; });
        // The process ends with the other thread still inside its life.
        std::printf("%s: done\n", scenario.c_str());
        std::fflush(stdout);
        std::exit(0);
    } else if (scenario == "thread-ends") {
        std::thread([&] {
            Session session(*library);
            startDriver(*library, session);
        }).join();
        library.reset();
    } else if (scenario == "reload") {
        {
            Session session(*library);
            startDriver(*library, session);
        }
        library.reset();  // unloaded with the object still held
        library = load(path);
        if (!library) return 1;
        Session session(*library);
        startDriver(*library, session);
        library->calls().FreeDriver();
        library.reset();
    } else {
        std::fprintf(stderr, "unknown case %s\n", scenario.c_str());
        return 2;
    }
    std::printf("%s: done\n", scenario.c_str());
    return 0;
}
