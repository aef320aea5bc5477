#include <windows.h>

#include "host/text_codec.h"

namespace host {

namespace {

constexpr UINT kGbk = 936;

std::wstring toWide(UINT codePage, DWORD flags, const std::string& text, bool& ok)
{
    ok = true;
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide, bool& ok)
{
    ok = true;
    if (wide.empty()) return {};
    BOOL defaultUsed = FALSE;
    BOOL* defaultFlag = codePage == CP_UTF8 ? nullptr : &defaultUsed;
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, defaultFlag);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        defaultFlag);
    ok = length > 0 && !defaultUsed;
    return text;
}

}  // namespace

std::string gbkToUtf8(const std::string& gbk)
{
    bool ok = false;
    // Without MB_ERR_INVALID_CHARS a byte that is no character becomes U+FFFD.
    const std::wstring wide = toWide(kGbk, 0, gbk, ok);
    return fromWide(CP_UTF8, wide, ok);
}

std::optional<std::string> utf8ToGbk(const std::string& utf8)
{
    bool ok = false;
    const std::wstring wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
    if (!ok) return std::nullopt;
    std::string gbk = fromWide(kGbk, wide, ok);
    if (!ok && !utf8.empty()) return std::nullopt;
    return gbk;
}

}  // namespace host
