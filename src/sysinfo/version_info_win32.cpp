#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/host_environment.h"
#include "sysinfo/version_info.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace systeminfo {
namespace {

std::string toGbk(const wchar_t* text, size_t length)
{
    if (length == 0) return {};
    const int size = WideCharToMultiByte(936, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(936, 0, text, static_cast<int>(length), result.data(), size, nullptr, nullptr);
    return result;
}

// The W functions are used so that the texts convert through code page 936
// whatever the system code page is.
void readInto(const std::wstring& path, VersionRecord& record)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return;
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation))
        return;
    wchar_t prefix[64];
    swprintf(prefix, 64, L"\\StringFileInfo\\%04X%04X\\", translation->language, translation->codePage);
    const struct {
        const wchar_t* key;
        std::string VersionRecord::*field;
    } keys[] = {{L"FileDescription", &VersionRecord::FileDescription},
                {L"FileVersion", &VersionRecord::FileVersion},
                {L"InternalName", &VersionRecord::InternalName},
                {L"DeviceName", &VersionRecord::DeviceName},
                {L"DevTypeName", &VersionRecord::DevTypeName},
                {L"DevIDName", &VersionRecord::DevIDName},
                {L"ChnName", &VersionRecord::ChnName}};
    for (const auto& key : keys) {
        std::wstring query = std::wstring(prefix) + key.key;
        wchar_t* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &valueLength) && value) {
            size_t chars = 0;
            while (chars < valueLength && value[chars]) ++chars;
            record.*key.field = toGbk(value, chars);
        }
    }
}

}  // namespace

VersionRecord readVersionInfo(const std::string& fileName)
{
    VersionRecord record;
    record.hostFolder = hostFolderFrom(platform::hostPathValue());
    std::wstring wide(fileName.begin(), fileName.end());
    readInto(wide, record);
    return record;
}

VersionRecord readDriverVersionInfo()
{
    VersionRecord record;
    record.hostFolder = hostFolderFrom(platform::hostPathValue());
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) readInto(path, record);
    return record;
}

}  // namespace systeminfo
