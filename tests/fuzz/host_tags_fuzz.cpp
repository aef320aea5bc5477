// Host tag records through IniDriver, as the input's bytes; an OLE string initial value
// points at a text from the input or is null. Input: count byte (bits 0-3: records; bit 7:
// a null entry after the first), setup byte (bit 0: the default block, not the plant;
// bit 1: trace, bit 2: debug output), then each record's bytes, for an OLE string followed
// by a length byte (255: null) and that many UTF-16 units.
#include "framework/HostVariant.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::begin(true);
    fuzzing::Input input(data, size);
    const uint8_t count = input.byte();
    const uint8_t setup = input.byte();
    OstrevanePDB block = (setup & 1) ? testing_support::defaultPDB() : testing_support::plant();
    block.TraceOutput = (setup & 2) ? 1 : 0;
    block.DebugSwitch = (setup & 4) ? 1 : 0;

    std::vector<HostTagRec> records(count & 15);  // never grows: the list points into it
    std::list<std::u16string> texts;
    std::vector<HostTagRec*> list;
    for (HostTagRec& record : records) {
        input.fill(&record, sizeof record);
        list.push_back(&record);
        if ((count & 0x80) && list.size() == 1) list.push_back(nullptr);
        OstrevaneVariant& value = record.InitialValue;
        if (value.Kind != hostvariant::VT_BSTR) continue;
        const uint8_t units = input.byte();
        value.Data.Pointer = nullptr;
        if (units == 0xFF) continue;
        std::u16string& text = texts.emplace_back(units, u'\0');
        input.fill(text.data(), units * sizeof(char16_t));
        value.Data.Pointer = text.data();
    }
    if (fuzzing::startDriver(list, block)) fuzzing::readRounds(list.size(), 8, 1001);
    fuzzing::endDriver();
    return 0;
}
