#include "sysinfo/system_info.h"
#include "platform/host_environment.h"

namespace systeminfo {

bool processorDescription(std::string& description)
{
    platform::ProcessorInfo info;
    if (!platform::readProcessorInfo(info)) return false;
    description = !info.nameString.empty() ? info.nameString : info.vendorIdentifier + info.identifier;
    return true;
}

}  // namespace systeminfo
