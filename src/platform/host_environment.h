// What the driver learns about the host's installation.
#pragma once
#include <string>

namespace platform {

// The raw "PATH" value of the host's registry key (HKLM\Software\ZORVA); on POSIX
// the environment variable ZORVA_PATH. Empty when absent.
std::string hostPathValue();

// The processor description for the start banner, or false when the system
// offers none (the banner then has no processor line).
struct ProcessorInfo {
    std::string nameString;  // e.g. "Intel(R) Core(TM) ..."
    std::string vendorIdentifier;
    std::string identifier;
};
bool readProcessorInfo(ProcessorInfo& info);

}  // namespace platform
