// Texts handed to the host come from an allocator the host can release them with.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// Windows: CoTaskMemAlloc (released with CoTaskMemFree); POSIX: malloc (released with free).
void* hostAllocate(size_t size);
void hostRelease(void* block);

// A new host-owned, zero-terminated copy of a text; nullptr for an empty text (or
// when no memory is left).
char* NewHostStr(const std::string& text);
// Stores a new host-owned copy of a text in an out parameter that may be nil.
void handOver(char** target, const std::string& text);

}  // namespace platform
