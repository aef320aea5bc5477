// The one lock between host threads, and the host's event.
#pragma once
#include <cstdint>
#include <memory>

namespace platform {

// A process-wide auto-reset event: one waiter passes per signal.
class AutoResetEvent {
public:
    virtual ~AutoResetEvent() = default;
    // True when the event was taken within `milliseconds`.
    virtual bool wait(uint32_t milliseconds) = 0;
    virtual void signal() = 0;
};

std::unique_ptr<AutoResetEvent> createAutoResetEvent(bool initiallySignalled);

// Signals the event a host gave through IniDriverEx: SetEvent on Windows; on POSIX
// one 8-byte count of 1 written to the descriptor (an eventfd or a pipe's write end).
void signalHostEvent(uintptr_t handle);

}  // namespace platform
