// Tag addresses as typed: the tag editor's check (TagEdAddr, CheckTagAddr) and the tag
// table's (CreatInternalTag, CheckAddrValid). Input: setup byte, then the address text.
//   setup bits 0-1: the plant, the default block, no devices, every address in use;
//   bit 2: trace output on; bits 3-4: the tag's value kind (3: none the host defines);
//   bit 5: TagEdAddr without checking.
#include "framework/PDB.h"
#include "fuzz_support.h"

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
    const uint8_t kind = (setup >> 3) & 3;
    const std::string address = input.bytes(input.remaining());

    // The checks read only the object's block and leave a message: one object for the
    // process, both renewed for every input.
    static TDLLObject& object = *new TDLLObject;
    object.PDB = {};
    object.TBaseDLLObject::IniParm(&block);
    (void)object.takeStatusMsg();
    std::string edited = address;
    object.CheckTagAddr(&block, edited);
    object.CheckTagAddr(nullptr, edited);

    HostTagRec record = testing_support::hostTag(1, "");
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));  // no NUL needed
    record.ValueType = kind;
    std::unique_ptr<TDLLTag> tag = object.CreatInternalTag(record);
    object.CheckAddrValid(tag);

    char* text = static_cast<char*>(std::malloc(address.size() + 1));
    std::memcpy(text, address.c_str(), address.size() + 1);
    char* const typed = text;
    char* message = nullptr;
    TagEdAddr(&block, &text, (setup & 32) ? 1 : 0, &message);
    if (text != typed) std::free(text);
    std::free(typed);
    std::free(message);
    return 0;
}
