// The configuration block: defaults, validation and the field-by-field copy.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "Ostrevane800.h"

namespace pdb {

// Fills a block with the default configuration: one 808 at address 0, COM1 9600 8N1,
// logging off. Reserved bytes that carry no default are left as they were.
void FullPDB(OstrevanePDB& block);
// Copies every defined field; reserved bytes without a default stay as they were
// in the destination. Type names are cut to 246 characters.
void CopyPDB(const OstrevanePDB& source, OstrevanePDB& destination);
// Clears entries whose type code and name disagree; true when one was cleared.
bool ValidateDeviceTable(OstrevanePDB& block);
// The smallest address with a device, or 0 when every entry is free.
uint32_t FirstDeviceNo(const OstrevanePDB& block);

// Counted-text helpers for the type name of an entry.
std::string typeName(const DeviceEntry& entry);
void setTypeName(DeviceEntry& entry, std::string_view name);
// The device type an address names: 0, 1, or 2 (no device, also outside 0..99).
uint8_t deviceTypeAt(const OstrevanePDB& block, int32_t deviceNo);

constexpr size_t kTypeNameLimit = 246;

}  // namespace pdb
