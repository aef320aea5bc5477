// Configuration blocks as a host stores them: the device table's validation, IniParm, and
// a start with a few tags. Input: the block (a shorter one replaces the default block's front).
#include "framework/PDB.h"
#include "fuzz_support.h"

// A broken promise of the validation is a fault, whatever the block held.
#define REQUIRE(condition) \
    if (!(condition)) std::abort()

using testing_support::hostTag;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::begin();
    fuzzing::Input input(data, size);
    OstrevanePDB block = testing_support::defaultPDB();
    input.fill(&block, sizeof block);

    OstrevanePDB validated = block;
    pdb::ValidateDeviceTable(validated);
    for (const DeviceEntry& entry : validated.Devices) {
        if (entry.DeviceType == OSTREVANE_NO_DEVICE) continue;
        REQUIRE(entry.DeviceType < OSTREVANE_NO_DEVICE);
        REQUIRE(entry.TypeName[0] <= pdb::kTypeNameLimit);
    }
    OstrevanePDB again = validated;
    REQUIRE(!pdb::ValidateDeviceTable(again));
    REQUIRE(pdb::FirstDeviceNo(validated) < OSTREVANE_DEVICE_COUNT);

    {  // the block as it is, unvalidated, on a line in memory
        TDLLObject object;
        object.PortCreated = true;
        object.Comm = std::make_unique<TCommClass>(
            std::make_unique<testing_support::LineBackend>(std::make_shared<testing_support::Line>()));
        object.IniParm(&block);
        (void)object.takeStatusMsg();
    }

    // The validated block as IniDriver would.
    auto line = std::make_shared<testing_support::Line>();
    std::vector<HostTagRec> tags = {hostTag(1, "PV1:0.0"), hostTag(2, "SL:0"),
                                    hostTag(3, "SW99:0.4", OSTREVANE_VALUE_BOOLEAN),
                                    hostTag(4, "DEVICELINK0", OSTREVANE_VALUE_TEXT)};
    TDLLObject object;
    if (testing_support::startOnLine(object, line, tags, validated)) {
        line->incoming = testing_support::reply("PV", " 25.0");
        object.ReadExecute();
        object.ReadExecute();
    }
    return 0;
}
