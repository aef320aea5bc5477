// What the host needs from the operating system besides the driver library: the
// console, Ctrl-C, keys typed while it runs, the event it hands to IniDriverEx and
// the host folder setting.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "Ostrevane800.h"

namespace host::sys {

bool outputIsTerminal();
// Writes UTF-8 text to standard output (or error), shown correctly on a console.
void writeOutput(const std::string& utf8);
void writeError(const std::string& utf8);
// Lets the console interpret cursor and erase sequences; false when it cannot.
bool enableScreenControl();
// Rows and columns of the console; 0 when unknown.
void consoleSize(int& rows, int& columns);

// From now on Ctrl-C (and a termination request) only set a flag.
void catchInterrupts();
bool interrupted();

void sleepMilliseconds(uint32_t milliseconds);

// Keys typed while the program runs, read without waiting. In key mode (a console
// showing the live table) the console neither echoes nor collects lines: the caller
// edits the line itself.
class Keyboard {
public:
    static std::unique_ptr<Keyboard> open(bool keyMode);
    virtual ~Keyboard() = default;
    // The UTF-8 bytes typed since the last call; `ended` once the input is closed.
    virtual std::string take(bool& ended) = 0;
};

// The event the driver signals when communication keeps failing.
class HostEvent {
public:
    static std::unique_ptr<HostEvent> create();
    virtual ~HostEvent() = default;
    virtual OstrevaneEvent handle() const = 0;
    // True once for each time (or burst of times) the driver signalled.
    virtual bool takeSignal() = 0;
};

// The host's configured folder setting as the driver reads it (ZORVA_PATH on POSIX,
// the registry value on Windows); empty when not set.
std::string hostPathSetting();

// Sets an environment variable of this process, where the driver reads it.
void setEnvironment(const std::string& name, const std::string& value);

}  // namespace host::sys
