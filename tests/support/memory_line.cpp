#include "support/memory_line.h"

#include <algorithm>
#include <cstring>

#include "framework/PDB.h"
#include "protocol/DLLRealize.h"
#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace testing_support {

int32_t LineBackend::read(uint8_t* buffer, uint32_t count, uint32_t)
{
    const size_t delivered = std::min<size_t>(count, line_->incoming.size());
    std::memcpy(buffer, line_->incoming.data(), delivered);
    line_->incoming.erase(0, delivered);
    return static_cast<int32_t>(delivered);
}

int32_t LineBackend::write(const uint8_t* buffer, uint32_t count, uint32_t)
{
    line_->sent.emplace_back(reinterpret_cast<const char*>(buffer), count);
    return static_cast<int32_t>(count);
}

OstrevanePDB plant()
{
    OstrevanePDB block = defaultPDB();
    for (DeviceEntry& entry : block.Devices) {
        entry.DeviceType = OSTREVANE_NO_DEVICE;
        entry.TypeName[0] = 0;
    }
    const struct {
        int device;
        uint8_t type;
        const char* name;
    } devices[] = {{1, OSTREVANE_DEVICE_808, "Ostrevane808"},
                   {2, OSTREVANE_DEVICE_847, "Ostrevane847"},
                   {3, OSTREVANE_DEVICE_808, "Ostrevane808"}};
    for (const auto& device : devices) {
        block.Devices[device.device].DeviceType = device.type;
        pdb::setTypeName(block.Devices[device.device], device.name);
    }
    block.DebugSwitch = block.ErrorOutput = block.TraceOutput = 0;
    return block;
}

HostTagRec hostTag(uint32_t id, std::string_view address, uint8_t valueType, uint32_t period, OstrevaneVariant initial)
{
    HostTagRec record{};
    record.TagId = id;
    const std::string name = "T" + std::to_string(id);
    std::memcpy(record.Name, name.data(), std::min(name.size(), sizeof record.Name));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    record.ReportInterval = period;
    record.InitialValue = initial;
    return record;
}

std::string poll(int deviceNo, std::string_view mnemonic)
{
    const char g = static_cast<char>('0' + deviceNo / 10), u = static_cast<char>('0' + deviceNo % 10);
    return std::string{'\x04', g, g, u, u} + std::string(mnemonic) + '\x05';
}

std::string reply(std::string_view mnemonic, std::string_view data)
{
    std::string covered = std::string(mnemonic) + std::string(data) + '\x03';
    char check = 0;
    for (const char c : covered) check = static_cast<char>(check ^ c);
    return '\x02' + covered + check;
}

bool startOnLine(TDLLObject& object, std::shared_ptr<Line> line, std::vector<HostTagRec>& records,
                 const OstrevanePDB& pdb)
{
    object.PortCreated = true;
    object.Comm = std::make_unique<TCommClass>(std::make_unique<LineBackend>(std::move(line)));
    HostTagList list;
    for (HostTagRec& record : records) list.push_back(&record);
    return object.IniDLLObj(&pdb, list);
}

}  // namespace testing_support
