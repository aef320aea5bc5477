// Value records through OnDataWrite, after an IniDriver with a few valid tags of each
// kind. Records are built from the input field by field; a text record's pointer is
// null or points at a zero-terminated text made from the input, never at an address
// the input names.
//
// Input: calls, each: a record count byte (1..8), then per record:
//   id byte (0..11: the tags below, 0 and 11 unknown), type byte (bit 7 set: the
//   byte's low bits as they are, else 0..2), and the value: 8 bytes of a double
//   (number), 4 bytes (Boolean), or a length byte (255 = null; from 200 on 100 more
//   characters than it says) and the text's bytes; any other type: 8 raw bytes.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "fuzz_support.h"
#include "support/memory_line.h"

namespace {

using testing_support::hostTag;

// One record; `texts` keeps its text alive for the call.
TagDataRec readRecord(fuzzing::Input& input, std::vector<std::unique_ptr<std::string>>& texts)
{
    TagDataRec record{};
    record.TagId = input.byte() % 12;
    const uint8_t type = input.byte();
    record.ValueType = (type & 0x80) ? static_cast<uint8_t>(type & 0x7F) : static_cast<uint8_t>(type % 3);
    switch (record.ValueType) {
    case OSTREVANE_VALUE_NUMBER: record.Value.Number = input.value<double>(); break;
    case OSTREVANE_VALUE_BOOLEAN: record.Value.Boolean = input.value<uint32_t>(); break;
    case OSTREVANE_VALUE_TEXT:
        if (const uint8_t length = input.byte(); length != 0xFF) {
            texts.push_back(std::make_unique<std::string>(input.bytes(length >= 200 ? length + 100u : length)));
            record.Value.Text = texts.back()->data();
        }
        break;
    default: input.fill(record.Value.Bytes, sizeof record.Value.Bytes); break;
    }
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::begin(true);
    constexpr uint8_t kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
    std::vector<HostTagRec> tags = {hostTag(1, "PV1:0.0"),
                                    hostTag(2, "SL1:0.0"),
                                    hostTag(3, "SW1:0.2", kSwitch),
                                    hostTag(4, "SW1:0.3", kText),
                                    hostTag(5, "HS2:0.0"),
                                    hostTag(6, "SL3:0.0", kText),
                                    hostTag(7, "ENCOMMLINK", kSwitch),
                                    hostTag(8, "ENDEVICELINK1"),
                                    hostTag(9, "ENLOG", kText),
                                    hostTag(10, "COMMLINK", kText)};
    std::vector<HostTagRec*> list;
    for (HostTagRec& tag : tags) list.push_back(&tag);
    // The line is there: a failed start is a fault of its own.
    if (!fuzzing::startDriver(list, testing_support::plant())) std::abort();

    fuzzing::Input input(data, size);
    for (int call = 0; call < 8 && input.remaining() > 0; ++call) {
        const int count = 1 + input.byte() % 8;
        std::vector<std::unique_ptr<std::string>> texts;
        std::vector<TagDataRec> records;
        for (int i = 0; i < count; ++i) records.push_back(readRecord(input, texts));
        char* message = nullptr;
        OnDataWrite(static_cast<uint32_t>(records.size()), records.data(), &message);
        std::free(message);
        fuzzing::readRounds(tags.size(), 2, 400);
    }
    fuzzing::endDriver();
    return 0;
}
