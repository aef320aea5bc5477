#include <cstdlib>

#include "platform/host_memory.h"

namespace platform {

void* hostAllocate(size_t size) { return std::malloc(size); }
void hostRelease(void* block) { std::free(block); }

}  // namespace platform
