// Per-thread storage of the driver object: each host thread reaches its own.
#pragma once

namespace platform {

using SlotDestroyer = void (*)(void* object);

// Allocates the slot once per process; `destroyer` ends an object whose thread ends.
bool allocateThreadSlot(SlotDestroyer destroyer);
// Releases the slot at library unload; objects still held are destroyed.
void freeThreadSlot();
bool threadSlotAllocated();

void* threadSlotGet();
void threadSlotSet(void* object);
// Thread or process detach: destroys the calling thread's object and clears the slot.
void destroyThreadSlotObject();

}  // namespace platform
