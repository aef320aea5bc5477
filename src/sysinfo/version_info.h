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

// The version texts of the host and of the driver: the driver fills them when the
// library loads; every layer reads them from here (banner, display words).
struct ProcessVersions {
    VersionRecord hostVersion;
    VersionRecord driverVersion;
};
ProcessVersions& processVersions();
// Library unload: the record goes after the last driver object.
void releaseProcessVersions();

// The driver's display words, from its version texts.
const std::string& DeviceName();
const std::string& DevTypeName();
const std::string& DevIDName();
const std::string& ChnName();

}  // namespace systeminfo
