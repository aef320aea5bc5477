#include "platform/host_memory.h"

#include <cstring>

namespace platform {

char* NewHostStr(const std::string& text)
{
    if (text.empty()) return nullptr;
    char* buffer = static_cast<char*>(hostAllocate(text.size() + 1));
    if (!buffer) return nullptr;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    return buffer;
}

void handOver(char** target, const std::string& text)
{
    if (target) *target = NewHostStr(text);
}

}  // namespace platform
