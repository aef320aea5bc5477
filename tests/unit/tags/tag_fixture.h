// Host tag records and a driver object whose poll engine is replaced by
// recorders, so that tag-table behaviour is seen on its own.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Ostrevane800.h"
#include "protocol/DLLRealize.h"
#include "support/test_support.h"

namespace tagtest {

// Entries 3 (808) and 5 (847) configured, all others free.
OstrevanePDB plantPDB();

OstrevaneVariant emptyVariant();
OstrevaneVariant numberVariant(double value);
OstrevaneVariant booleanVariant(bool value);
// `text` must outlive the variant: it is the OLE string the variant points to.
OstrevaneVariant textVariant(const std::u16string& text);

// A host tag named "T<id>".
HostTagRec hostTag(uint32_t id, std::string_view address, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                   uint32_t interval = 0, OstrevaneVariant initial = emptyVariant());

class TableObject : public TDLLObject {
public:
    // With `pollCommands` every instrument tag gets a command of its own (its period).
    explicit TableObject(bool pollCommands = false) : pollCommands_(pollCommands) {}

    // Takes the configuration over without opening a port.
    void load(const OstrevanePDB& pdb) { TBaseDLLObject::IniParm(&pdb); }
    bool build(std::vector<HostTagRec>& hostTags);

    std::unique_ptr<TCommand> CreatCommand(TDLLTag& tag, TCommandList& list, bool write) override;
    void RealComm(TCommand* command) override { sent.push_back(command); }
    int32_t ReadExecute() override { return 0; }
    bool WriteExecute(uint32_t hostId, const TagValue& value) override;

    const TDLLTag& tag(size_t position) const { return *TagTable.at(position); }

    std::vector<TCommand*> sent;
    std::vector<std::pair<uint32_t, TagValue>> writes;
    std::vector<bool> writeResults;  // answers of the recorded writes, in turn

private:
    bool pollCommands_;
};

}  // namespace tagtest
