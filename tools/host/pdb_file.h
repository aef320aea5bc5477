// The configuration block as a host stores it: a file of exactly 26424 bytes.
#pragma once
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "host/options.h"

namespace host {

bool loadPdb(const std::string& path, OstrevanePDB& block, std::string& error);
bool savePdb(const std::string& path, const OstrevanePDB& block, std::string& error);

// Applies the settings. With `replaceDevices` the devices given make up the whole
// device table (a new block's default device goes); otherwise they change single entries.
// The creation mode follows the number of devices unless the settings name it.
void applySettings(OstrevanePDB& block, const PdbSettings& settings, bool replaceDevices);

// The block in readable lines (UTF-8), pointing out entries the driver will not use.
std::vector<std::string> describePdb(const OstrevanePDB& block);

// "Ostrevane808", "Ostrevane847"; empty for other codes.
std::string deviceTypeName(uint8_t type);

// The counted type name of a device entry, as stored (GBK bytes).
std::string entryTypeName(const DeviceEntry& entry);

}  // namespace host
