#include <windows.h>

#include "platform/sync.h"

namespace platform {
namespace {

class Win32AutoResetEvent final : public AutoResetEvent {
public:
    explicit Win32AutoResetEvent(bool signalled) : handle_(CreateEventA(nullptr, FALSE, signalled, nullptr)) {}
    ~Win32AutoResetEvent() override
    {
        if (handle_) CloseHandle(handle_);
    }
    bool wait(uint32_t milliseconds) override
    {
        return handle_ && WaitForSingleObject(handle_, milliseconds) == WAIT_OBJECT_0;
    }
    void signal() override
    {
        if (handle_) SetEvent(handle_);
    }
    bool valid() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

}  // namespace

std::unique_ptr<AutoResetEvent> createAutoResetEvent(bool initiallySignalled)
{
    auto event = std::make_unique<Win32AutoResetEvent>(initiallySignalled);
    if (!event->valid()) return nullptr;
    return event;
}

void signalHostEvent(uintptr_t handle)
{
    if (handle) SetEvent(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform
