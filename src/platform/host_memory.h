// Texts handed to the host come from an allocator the host can release them with.
#pragma once
#include <cstddef>

namespace platform {

// Windows: CoTaskMemAlloc (released with CoTaskMemFree); POSIX: malloc (released with free).
void* hostAllocate(size_t size);
void hostRelease(void* block);

}  // namespace platform
