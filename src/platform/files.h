// The file-system operations the log and the debug page need.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Folder separator of this platform ('\\' on Windows, '/' elsewhere).
char pathSeparator();
// True for both separators, since a project path from the INI may use either.
bool isPathSeparator(char c);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool createFolders(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t fileSize(const std::string& path);
bool renameFile(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
// Creates an empty file when none exists; true when it exists afterwards.
bool touchFile(const std::string& path);
// Appends bytes to a file (creating it), refusing when another writer holds it.
// The file is open only for the duration of the call.
bool appendExclusive(const std::string& path, const std::string& bytes);
// Whole content of a file; false when it cannot be read.
bool readWholeFile(const std::string& path, std::string& content);
// At most the last `limit` bytes of a file; `skipped` receives the number of bytes
// before them (0 when the whole file was read). False when it cannot be read.
bool readFileTail(const std::string& path, size_t limit, std::string& content, uint64_t& skipped);
// Replaces the whole content of a file (creating it), refusing while another writer
// holds it; false unless every byte went in.
bool rewriteFile(const std::string& path, const std::string& bytes);

}  // namespace platform
