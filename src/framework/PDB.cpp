#include "framework/PDB.h"

#include <algorithm>
#include <cstring>

#include "definitions/DLLDef.h"

namespace pdb {

namespace {
// The name as stored, without a copy: the start checks and copies all 100 entries.
std::string_view storedName(const DeviceEntry& entry)
{
    const size_t length = std::min<size_t>(entry.TypeName[0], kTypeNameLimit);
    return {reinterpret_cast<const char*>(entry.TypeName + 1), length};
}
}  // namespace

std::string typeName(const DeviceEntry& entry) { return std::string(storedName(entry)); }

void setTypeName(DeviceEntry& entry, std::string_view name)
{
    const size_t length = std::min(name.size(), kTypeNameLimit);
    entry.TypeName[0] = static_cast<uint8_t>(length);
    std::memcpy(entry.TypeName + 1, name.data(), length);
}

uint8_t deviceTypeAt(const OstrevanePDB& block, int32_t deviceNo)
{
    if (deviceNo < 0 || deviceNo >= def::kDeviceCount) return def::kNoDevice;
    return def::deviceTypeOf(block.Devices[deviceNo].DeviceType);
}

void FullPDB(OstrevanePDB& block)
{
    block.FirstDevice = 0;
    block.DebugSwitch = 0;
    block.ErrorOutput = 0;
    block.TraceOutput = 0;
    block.CreateMode = 0;
    block.PortCode = 0;
    block.BaudCode = 6;
    block.DataBitsCode = 4;
    block.StopBitsCode = 0;
    block.ParityCode = 0;
    for (int n = 0; n < def::kDeviceCount; ++n) {
        DeviceEntry& entry = block.Devices[n];
        entry.DeviceNo = n;
        entry.DeviceType = def::kNoDevice;
        entry.Reserved252 = 0;
        entry.Reserved253 = 0;
        entry.Reserved254 = 80;
        entry.Reserved256 = 32;
        entry.Reserved258 = 8;
        entry.Reserved260 = 49;
    }
    setTypeName(block.Devices[0], std::string(def::DevTypes[def::DefaultDevType].name));
    block.Devices[0].DeviceType = def::DefaultDevType;
}

void CopyPDB(const OstrevanePDB& source, OstrevanePDB& destination)
{
    if (&source == &destination) return;
    destination.DebugSwitch = source.DebugSwitch;
    destination.ErrorOutput = source.ErrorOutput;
    destination.TraceOutput = source.TraceOutput;
    destination.CreateMode = source.CreateMode;
    destination.FirstDevice = source.FirstDevice;
    for (int n = 0; n < def::kDeviceCount; ++n) {
        const DeviceEntry& from = source.Devices[n];
        DeviceEntry& to = destination.Devices[n];
        to.DeviceNo = from.DeviceNo;
        to.DeviceType = from.DeviceType;
        // A stored length byte above 246 is cut: the name field holds no more.
        setTypeName(to, storedName(from));
        to.Reserved252 = from.Reserved252;
        to.Reserved253 = from.Reserved253;
        to.Reserved254 = from.Reserved254;
        to.Reserved256 = from.Reserved256;
        to.Reserved258 = from.Reserved258;
        to.Reserved260 = from.Reserved260;
    }
    destination.PortCode = source.PortCode;
    destination.BaudCode = source.BaudCode;
    destination.DataBitsCode = source.DataBitsCode;
    destination.StopBitsCode = source.StopBitsCode;
    destination.ParityCode = source.ParityCode;
}

bool ValidateDeviceTable(OstrevanePDB& block)
{
    bool changed = false;
    for (int n = 0; n < def::kDeviceCount; ++n) {
        DeviceEntry& entry = block.Devices[n];
        if (entry.DeviceType == def::kNoDevice) continue;
        const bool known = entry.DeviceType < def::kDeviceTypeCount;
        // The length byte takes part: a name with one character too many does not match.
        if (known && entry.TypeName[0] <= kTypeNameLimit && storedName(entry) == def::DevTypes[entry.DeviceType].name)
            continue;
        entry.TypeName[0] = 0;
        entry.DeviceType = def::kNoDevice;
        changed = true;
    }
    return changed;
}

uint32_t FirstDeviceNo(const OstrevanePDB& block)
{
    for (int n = 0; n < def::kDeviceCount; ++n)
        if (block.Devices[n].DeviceType != def::kNoDevice) return static_cast<uint32_t>(n);
    return 0;
}

}  // namespace pdb
