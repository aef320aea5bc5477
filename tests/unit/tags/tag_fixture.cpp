#include "tag_fixture.h"

#include <cstring>

#include "framework/PDB.h"
#include "framework/HostVariant.h"

namespace tagtest {

OstrevanePDB plantPDB()
{
    OstrevanePDB block = testing_support::defaultPDB();
    for (DeviceEntry& entry : block.Devices) {
        entry.DeviceType = OSTREVANE_NO_DEVICE;
        entry.TypeName[0] = 0;
    }
    block.Devices[3].DeviceType = OSTREVANE_DEVICE_808;
    pdb::setTypeName(block.Devices[3], "Ostrevane808");
    block.Devices[5].DeviceType = OSTREVANE_DEVICE_847;
    pdb::setTypeName(block.Devices[5], "Ostrevane847");
    return block;
}

OstrevaneVariant emptyVariant() { return OstrevaneVariant{}; }

OstrevaneVariant numberVariant(double value)
{
    OstrevaneVariant variant{};
    variant.Kind = hostvariant::VT_R8;
    variant.Data.Double = value;
    return variant;
}

OstrevaneVariant booleanVariant(bool value)
{
    OstrevaneVariant variant{};
    variant.Kind = hostvariant::VT_BOOL;
    const int16_t word = value ? -1 : 0;
    std::memcpy(variant.Data.Bytes, &word, sizeof word);
    return variant;
}

OstrevaneVariant textVariant(const std::u16string& text)
{
    OstrevaneVariant variant{};
    variant.Kind = hostvariant::VT_BSTR;
    variant.Data.Pointer = const_cast<char16_t*>(text.c_str());
    return variant;
}

HostTagRec hostTag(uint32_t id, std::string_view address, uint8_t valueType, uint32_t interval,
                   OstrevaneVariant initial)
{
    HostTagRec record{};
    record.TagId = id;
    const std::string name = "T" + std::to_string(id);
    std::memcpy(record.Name, name.data(), std::min(name.size(), sizeof record.Name));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    record.ReportInterval = interval;
    record.InitialValue = initial;
    return record;
}

bool TableObject::build(std::vector<HostTagRec>& hostTags)
{
    HostTagList list;
    for (HostTagRec& record : hostTags) list.push_back(&record);
    return IniTagList(list);
}

std::unique_ptr<TCommand> TableObject::CreatCommand(TDLLTag& tag, TCommandList&, bool)
{
    if (!pollCommands_) return nullptr;
    auto command = std::make_unique<TCommand>();
    command->period = tag.period;
    command->tagIndexes.push_back(tag.tableIndex);
    return command;
}

bool TableObject::WriteExecute(uint32_t hostId, const TagValue& value)
{
    const bool result = writes.size() < writeResults.size() && writeResults[writes.size()];
    writes.emplace_back(hostId, value);
    return result;
}

}  // namespace tagtest
