#include <windows.h>

#include <algorithm>

#include "platform/files.h"

namespace platform {

char pathSeparator() { return '\\'; }

bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

bool fileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolders(const std::string& path)
{
    if (path.empty()) return false;
    std::string prefix;
    for (size_t i = 0; i < path.size(); ++i) {
        prefix.push_back(path[i]);
        const bool atEnd = i + 1 == path.size();
        const bool isDrive = prefix.size() == 3 && prefix[1] == ':';
        if ((isPathSeparator(path[i]) || atEnd) && !isDrive && !folderExists(prefix)) {
            if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        }
    }
    return folderExists(path);
}

int64_t fileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool renameFile(const std::string& from, const std::string& to) { return MoveFileA(from.c_str(), to.c_str()) != 0; }

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool touchFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool appendExclusive(const std::string& path, const std::string& bytes)
{
    // Readers may look on; other writers are denied until the text is in.
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool readWholeFile(const std::string& path, std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.clear();
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) content.append(buffer, n);
    CloseHandle(file);
    return true;
}

bool readFileTail(const std::string& path, size_t limit, std::string& content, uint64_t& skipped)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    const uint64_t total = ok ? static_cast<uint64_t>(size.QuadPart) : 0;
    skipped = total > limit ? total - limit : 0;
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(skipped);
    ok = ok && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
    content.clear();
    char buffer[8192];
    while (ok && content.size() < limit) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(sizeof buffer, limit - content.size()));
        DWORD n = 0;
        if (!ReadFile(file, buffer, wanted, &n, nullptr)) ok = false;
        if (!ok || n == 0) break;
        content.append(buffer, n);
    }
    CloseHandle(file);
    return ok;
}

bool rewriteFile(const std::string& path, const std::string& bytes)
{
    // Readers may look on; a writer holding the file makes this call fail.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    return CloseHandle(file) && ok && done == bytes.size();
}

}  // namespace platform
