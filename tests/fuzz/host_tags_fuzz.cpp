// Host tag records through IniDriver: the records are the input's bytes; only an
// initial value that is an OLE string carries a pointer, and it points at a text
// built from the input (or is null), never at an address the input names.
//
// Input: count byte, setup byte, then per record its 136 bytes, followed (for an
// OLE string) by a length byte (255: a null string) and that many UTF-16 units.
//   count bits 0-3: records (0..15); bit 7: a null entry in the middle of the list
//   setup bit 0: the default block (one 808 at address 0) rather than the plant
//         bit 1: trace output on; bit 2: debug output on
#include <cstdlib>
#include <list>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "framework/HostVariant.h"
#include "fuzz_support.h"
#include "support/memory_line.h"

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
    if (fuzzing::startDriver(list, block)) {
        fuzzing::readRounds(list.size(), 8, 1001);
        char* message = nullptr;
        GetDeviceStatus(&message);
        std::free(message);
    }
    fuzzing::endDriver();
    return 0;
}
