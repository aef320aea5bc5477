// Time as the driver sees it: a millisecond tick count that wraps after 2^32 ms,
// and the local calendar date and time. Tests install their own clock.
#pragma once
#include <cstdint>

namespace platform {

struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
public:
    virtual uint32_t tickCount() const = 0;
    virtual LocalDateTime localNow() const = 0;

protected:
    // Never deleted through this interface. Keeping the destructor trivial keeps the
    // system clock out of the C++ runtime's exit handlers: objects still held when the
    // library unloads read it after those handlers have run.
    ~Clock() = default;
};

// The clock in force; the system clock unless a test installed another.
const Clock& clock();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void setClock(const Clock* replacement);

// The system clock of this platform.
const Clock& systemClock();

}  // namespace platform
