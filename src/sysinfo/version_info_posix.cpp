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
    record.FileDescription = OSTREVANE_FILE_DESCRIPTION_GBK;
    record.FileVersion = OSTREVANE_FILE_VERSION_TEXT;
    record.InternalName = OSTREVANE_INTERNAL_NAME_GBK;
    record.DeviceName = OSTREVANE_DEVICE_NAME_GBK;
    record.DevTypeName = OSTREVANE_DEV_TYPE_NAME_GBK;
    record.DevIDName = OSTREVANE_DEV_ID_NAME_GBK;
    record.ChnName = OSTREVANE_CHN_NAME_GBK;
    return record;
}

}  // namespace systeminfo
