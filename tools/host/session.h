// The run: the calls a SCADA host makes on one communication thread, from IniDriver
// to FreeDriver, with the values shown as they come.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "host/driver_library.h"
#include "host/options.h"
#include "host/tag_list.h"

namespace host {

// What the run needs from around it; tests give their own.
class SessionSurroundings {
public:
    virtual ~SessionSurroundings() = default;
    virtual uint64_t milliseconds() = 0;  // a steady count
    virtual void sleep(uint32_t milliseconds) = 0;
    virtual bool interrupted() = 0;
    virtual void write(const std::string& utf8) = 0;
    // A problem that keeps the run from starting (standard error).
    virtual void complain(const std::string& utf8) = 0;
    // Bytes typed since the last call; `ended` once input is closed.
    virtual std::string typed(bool& ended) = 0;
    virtual void screenSize(int& rows, int& columns) = 0;
    // The event handed to IniDriverEx (0 for none) and whether it was signalled.
    virtual OstrevaneEvent event() = 0;
    virtual bool eventSignalled() = 0;
};

struct SessionSetup {
    const DriverEntryPoints* driver = nullptr;
    std::string (*takeText)(char*) = nullptr;  // releases a text the driver handed over
    std::string driverPath;
    std::string logPath;
    OstrevanePDB pdb{};
    std::vector<TagEntry> tags;
    std::optional<double> durationSeconds;
    std::vector<WriteRequest> writes;
    bool traffic = false;
    bool table = false;  // a live table on a terminal; else one line per event
};

// Runs until the duration ends, Ctrl-C or "quit". Exit status: 0 after a run,
// 1 when IniDriver failed, 2 when a write names no tag of the list.
int runSession(SessionSetup setup, SessionSurroundings& surroundings);

}  // namespace host
