#include "ui/win32/Win32Text.h"

#include <windows.h>

#include <climits>

namespace ui::win32 {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring gbkToWide(const std::string& text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(kGbk, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(kGbk, 0, text.data(), length, wide.data(), size);
    return wide;
}

bool wideToGbk(const std::wstring& wide, std::string& text)
{
    if (wide.empty()) {
        text.clear();
        return true;
    }
    if (wide.size() > static_cast<size_t>(INT_MAX / 2)) return false;
    const int length = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(kGbk, 0, wide.data(), length, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kGbk, 0, wide.data(), length, result.data(), size, nullptr, nullptr);
    text = std::move(result);
    return true;
}

std::string wideToGbk(const std::wstring& wide)
{
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX / 2)) return {};
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(kGbk, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kGbk, 0, wide.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring joinLines(const std::vector<std::string>& lines)
{
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += "\r\n";
        joined += lines[i];
    }
    return gbkToWide(joined);
}

}  // namespace ui::win32
