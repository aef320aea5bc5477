#include <windows.h>

#include "platform/thread_slot.h"

namespace platform {
namespace {
DWORD slotIndex = TLS_OUT_OF_INDEXES;
SlotDestroyer destroyer = nullptr;
}  // namespace

bool allocateThreadSlot(SlotDestroyer destroy)
{
    destroyer = destroy;
    if (slotIndex == TLS_OUT_OF_INDEXES) slotIndex = TlsAlloc();
    return slotIndex != TLS_OUT_OF_INDEXES;
}

void freeThreadSlot()
{
    if (slotIndex != TLS_OUT_OF_INDEXES) TlsFree(slotIndex);
    slotIndex = TLS_OUT_OF_INDEXES;
}

bool threadSlotAllocated() { return slotIndex != TLS_OUT_OF_INDEXES; }

void* threadSlotGet() { return slotIndex == TLS_OUT_OF_INDEXES ? nullptr : TlsGetValue(slotIndex); }

void threadSlotSet(void* object)
{
    if (slotIndex != TLS_OUT_OF_INDEXES) TlsSetValue(slotIndex, object);
}

void destroyThreadSlotObject()
{
    void* held = threadSlotGet();
    threadSlotSet(nullptr);
    if (held && destroyer) destroyer(held);
}

}  // namespace platform
