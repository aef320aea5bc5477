// The fuzz build's file system: a machine with no disk to write to. Every fuzz input
// starts and ends a driver object, which rotates its log and writes its banner and
// statistics; refused at once, without a system call, that costs less than the code
// under test, and no input can leave a file behind that changes the next one's run.
#include "platform/files.h"

namespace platform {

char pathSeparator() { return '/'; }

bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

bool fileExists(const std::string&) { return false; }

bool folderExists(const std::string&) { return false; }

bool createFolders(const std::string&) { return false; }

int64_t fileSize(const std::string&) { return -1; }

bool renameFile(const std::string&, const std::string&) { return false; }

bool deleteFile(const std::string&) { return false; }

bool touchFile(const std::string&) { return false; }

bool appendExclusive(const std::string&, const std::string&) { return false; }

bool readWholeFile(const std::string&, std::string&) { return false; }

bool readFileTail(const std::string&, size_t, std::string&, uint64_t&) { return false; }

bool rewriteFile(const std::string&, const std::string&) { return false; }

}  // namespace platform
