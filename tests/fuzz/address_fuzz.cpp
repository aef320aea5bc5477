// Tag addresses as a host or an engineer types them: the address check of the tag
// editor (TagEdAddr and CheckTagAddr) and the check of a tag's parts when the tag
// table is built (CreatInternalTag, CheckAddrValid).
//
// Input: setup byte, then the address text.
//   setup bits 0-1: configuration block: the plant (808, 847, 808 at 1..3), the
//                   default block, one without devices, every address in use
//         bit 2: trace output on (the parsers' hints are written)
//         bits 3-4: value kind of the tag (3 = a kind the host does not define)
//         bit 5: TagEdAddr without checking (Option 1)
//         bit 6: TagEdAddr also with a null text and with no configuration block
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Ostrevane800.h"
#include "framework/PDB.h"
#include "fuzz_support.h"
#include "protocol/DLLRealize.h"
#include "support/memory_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::begin();
    fuzzing::Input input(data, size);
    const uint8_t setup = input.byte();
    OstrevanePDB block = (setup & 3) == 1 ? testing_support::defaultPDB() : testing_support::plant();
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT && (setup & 3) >= 2; ++n) {
        block.Devices[n].DeviceType = static_cast<uint8_t>((setup & 3) == 2 ? OSTREVANE_NO_DEVICE : n % 2);
        if ((setup & 3) == 3) pdb::setTypeName(block.Devices[n], n % 2 ? "Ostrevane847" : "Ostrevane808");
    }
    block.TraceOutput = (setup & 4) ? 1 : 0;
    const uint8_t kind = fuzzing::valueKind((setup >> 3) & 3);
    const std::string address = input.bytes(input.remaining());

    TDLLObject object;
    object.TBaseDLLObject::IniParm(&block);
    std::string edited = address;
    object.CheckTagAddr(&block, edited);
    object.CheckTagAddr(nullptr, edited);

    // The host's record holds at most 64 bytes and need not end in a NUL.
    HostTagRec record = testing_support::hostTag(1, "");
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = kind;
    std::unique_ptr<TDLLTag> tag = object.CreatInternalTag(record);
    object.CheckAddrValid(tag);

    // The tag editor hands a zero-terminated text over and takes a new one back.
    char* text = static_cast<char*>(std::malloc(address.size() + 1));
    std::memcpy(text, address.c_str(), address.size() + 1);
    char* const typed = text;
    char* message = nullptr;
    TagEdAddr(&block, &text, (setup & 32) ? 1 : 0, &message);
    if (text != typed) std::free(text);
    std::free(typed);
    std::free(message);
    if (setup & 64) {
        char* none = nullptr;
        TagEdAddr(&block, &none, 0, &message);
        std::free(none);
        std::free(message);
        text = nullptr;
        TagEdAddr(nullptr, &text, 0, nullptr);
        std::free(text);
    }
    return 0;
}
