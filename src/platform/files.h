// The file-system operations the log and the debug page need.
#pragma once
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

}  // namespace platform
