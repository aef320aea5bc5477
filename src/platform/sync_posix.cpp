#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/sync.h"

namespace platform {
namespace {

class PosixAutoResetEvent final : public AutoResetEvent {
public:
    explicit PosixAutoResetEvent(bool signalled) : signalled_(signalled) {}

    bool wait(uint32_t milliseconds) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; }))
            return false;
        signalled_ = false;
        return true;
    }

    void signal() override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace

std::unique_ptr<AutoResetEvent> createAutoResetEvent(bool initiallySignalled)
{
    return std::make_unique<PosixAutoResetEvent>(initiallySignalled);
}

void signalHostEvent(uintptr_t handle)
{
    if (handle == 0) return;
    const uint64_t one = 1;
    ssize_t n;
    do {
        n = write(static_cast<int>(handle), &one, sizeof one);
    } while (n < 0 && errno == EINTR);
}

}  // namespace platform
