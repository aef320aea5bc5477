#include "platform/clock.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<const Clock*> installed{nullptr};
}

const Clock& clock()
{
    const Clock* current = installed.load(std::memory_order_acquire);
    return current ? *current : systemClock();
}

void setClock(const Clock* replacement) { installed.store(replacement, std::memory_order_release); }

}  // namespace platform
