#include "platform/host_environment.h"
#include "sysinfo/version_info.h"
#include "sysinfo/version_values.h"

namespace systeminfo {

// POSIX hosts carry no version resources: only the host folder is known.
VersionRecord readVersionInfo(const std::string&)
{
    VersionRecord record;
    record.hostFolder = hostFolderFrom(platform::hostPathValue());
    return record;
}

VersionRecord readDriverVersionInfo()
{
    VersionRecord record;
    record.hostFolder = hostFolderFrom(platform::hostPathValue());
    record.FileDescription = OSTREVANE_FILE_DESCRIPTION;
    record.FileVersion = OSTREVANE_FILE_VERSION_TEXT;
    record.InternalName = OSTREVANE_INTERNAL_NAME;
    record.DeviceName = OSTREVANE_DEVICE_NAME;
    record.DevTypeName = OSTREVANE_DEV_TYPE_NAME;
    record.DevIDName = OSTREVANE_DEV_ID_NAME;
    record.ChnName = OSTREVANE_CHN_NAME;
    return record;
}

}  // namespace systeminfo
