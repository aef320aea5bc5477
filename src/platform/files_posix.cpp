#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/files.h"

namespace platform {

char pathSeparator() { return '/'; }

bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

bool fileExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createFolders(const std::string& path)
{
    if (path.empty() || folderExists(path)) return !path.empty();
    std::string prefix;
    for (size_t i = 0; i < path.size(); ++i) {
        prefix.push_back(path[i]);
        const bool atEnd = i + 1 == path.size();
        if ((isPathSeparator(path[i]) || atEnd) && prefix != "/" && !folderExists(prefix)) {
            if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    return folderExists(path);
}

int64_t fileSize(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

bool renameFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool deleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool touchFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool appendExclusive(const std::string& path, const std::string& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // Other writers are denied while this text goes in; a collision loses the text.
    bool written = false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        written = done == bytes.size();
        flock(fd, LOCK_UN);
    }
    close(fd);
    return written;
}

bool readWholeFile(const std::string& path, std::string& content)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    content.clear();
    char buffer[8192];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    std::fclose(file);
    return true;
}

namespace {
bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

bool readFileTail(const std::string& path, size_t limit, std::string& content, uint64_t& skipped)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    skipped = size > limit ? size - limit : 0;
    content.clear();
    bool ok = lseek(fd, static_cast<off_t>(skipped), SEEK_SET) >= 0;
    char buffer[8192];
    while (ok && content.size() < limit) {
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, limit - content.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

bool rewriteFile(const std::string& path, const std::string& bytes)
{
    // Truncated only once the lock is held, so a driver appending at that moment
    // keeps its text and this call fails instead.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool written = false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        written = ftruncate(fd, 0) == 0 && writeAll(fd, bytes);
        flock(fd, LOCK_UN);
    }
    return close(fd) == 0 && written;
}

}  // namespace platform
