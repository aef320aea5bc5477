// Texts read from a file's version resource, and the host's installation folder.
#pragma once
#include <string>

namespace systeminfo {

struct VersionRecord {
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string DeviceName;
    std::string DevTypeName;
    std::string DevIDName;
    std::string ChnName;
    std::string hostFolder;
};

// The host folder from the raw registry value: up to and including the last '\\'
// (or '/') or ':', trimmed of surrounding blanks.
std::string hostFolderFrom(const std::string& registryValue);

// Reads the version texts of a file looked up by name (the host's executable);
// fields missing from the resource stay empty.
VersionRecord readVersionInfo(const std::string& fileName);
// The driver's own version texts.
VersionRecord readDriverVersionInfo();

}  // namespace systeminfo
