#include <atomic>
#include <mutex>
#include <set>

#include "platform/thread_slot.h"

namespace platform {
namespace {

std::atomic<SlotDestroyer> destroyer{nullptr};
std::atomic<bool> allocated{false};

struct Owner;
std::mutex& ownersLock()
{
    static std::mutex lock;
    return lock;
}
std::set<Owner*>& owners()
{
    static std::set<Owner*>* set = new std::set<Owner*>;  // outlives every thread's owner
    return *set;
}

// A thread's holder: its destructor runs when the thread ends, like a thread detach.
struct Owner {
    void* object = nullptr;
    Owner()
    {
        std::lock_guard<std::mutex> lock(ownersLock());
        owners().insert(this);
    }
    ~Owner()
    {
        destroyHeld();
        std::lock_guard<std::mutex> lock(ownersLock());
        owners().erase(this);
    }
    void destroyHeld()
    {
        void* held = nullptr;
        {
            std::lock_guard<std::mutex> lock(ownersLock());
            held = object;
            object = nullptr;
        }
        const SlotDestroyer destroy = destroyer.load();
        if (held && destroy) destroy(held);
    }
};

Owner& currentOwner()
{
    thread_local Owner owner;
    return owner;
}

}  // namespace

bool allocateThreadSlot(SlotDestroyer destroy)
{
    destroyer.store(destroy);
    allocated.store(true);
    return true;
}

void freeThreadSlot()
{
    std::set<Owner*> remaining;
    {
        std::lock_guard<std::mutex> lock(ownersLock());
        remaining = owners();
    }
    for (Owner* owner : remaining) owner->destroyHeld();
    allocated.store(false);
}

bool threadSlotAllocated() { return allocated.load(); }

void* threadSlotGet()
{
    Owner& owner = currentOwner();
    std::lock_guard<std::mutex> lock(ownersLock());
    return owner.object;
}

void threadSlotSet(void* object)
{
    Owner& owner = currentOwner();
    std::lock_guard<std::mutex> lock(ownersLock());
    owner.object = object;
}

void destroyThreadSlotObject() { currentOwner().destroyHeld(); }

}  // namespace platform
