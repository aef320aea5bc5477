#include <windows.h>

#include <climits>

#include "platform/text_codec.h"

namespace platform {

std::string utf16ToGbk(const char16_t* units, size_t count)
{
    if (!units || count == 0 || count > static_cast<size_t>(INT_MAX / 2)) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(units);
    const int length = static_cast<int>(count);
    const int size = WideCharToMultiByte(936, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(936, 0, wide, length, result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace platform
