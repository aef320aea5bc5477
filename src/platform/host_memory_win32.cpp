#include <windows.h>
#include <objbase.h>

#include "platform/host_memory.h"

namespace platform {

void* hostAllocate(size_t size) { return CoTaskMemAlloc(size); }
void hostRelease(void* block) { CoTaskMemFree(block); }

}  // namespace platform
