// The system's side of loading the driver: one implementation per OS.
#pragma once
#include <string>

namespace host::os {

// The loaded module, or nullptr with `error` saying why.
void* openModule(const std::string& path, std::string& error);
void closeModule(void* module);
// The exported function of that name, or nullptr.
void* findEntryPoint(void* module, const char* name);
// Releases a text the driver handed over, with the allocator the driver used.
void releaseDriverText(char* text);

}  // namespace host::os
