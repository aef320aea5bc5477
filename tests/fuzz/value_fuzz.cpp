// Value records through OnDataWrite, on a driver started with a few valid tags of each
// kind on a line in memory (the start itself is the host_tags target's). A text record's pointer is null or points at a text made from the input.
// Input: calls, each: a record count byte (1..8), then per record: id byte (0..11: the
// tags below, 0 and 11 unknown), type byte (bit 7 set: the byte's low bits as they are,
// else 0..2), and the value (readRecord).
#include "driver/DLLMain.h"
#include "fuzz_support.h"

using testing_support::hostTag;

// A double (number), 4 bytes (Boolean), a length byte (255: null; from 200 on 100 more) and
// the text (kept in `texts`); any other kind 8 raw bytes.
static TagDataRec readRecord(fuzzing::Input& input, uint8_t id, uint8_t kind, std::list<std::string>& texts)
{
    TagDataRec record{};
    record.TagId = id;
    record.ValueType = kind;
    switch (kind) {
    case OSTREVANE_VALUE_NUMBER: record.Value.Number = input.value<double>(); break;
    case OSTREVANE_VALUE_BOOLEAN: record.Value.Boolean = input.value<uint32_t>(); break;
    case OSTREVANE_VALUE_TEXT:
        if (const uint8_t length = input.byte(); length != 0xFF)
            record.Value.Text = texts.emplace_back(input.bytes(length >= 200 ? length + 100u : length)).data();
        break;
    default: input.fill(record.Value.Bytes, sizeof record.Value.Bytes); break;
    }
    return record;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::begin();
    constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
    const char* addresses[] = {"PV1:0.0", "SL1:0.0",    "SW1:0.2",       "SW1:0.3", "HS2:0.0",
                               "SL3:0.0", "ENCOMMLINK", "ENDEVICELINK1", "ENLOG",   "COMMLINK"};
    const uint8_t kinds[] = {kNumber, kNumber, kSwitch, kText, kNumber, kText, kSwitch, kNumber, kText, kText};
    std::vector<HostTagRec> tags;
    for (uint32_t id = 1; id <= std::size(kinds); ++id) tags.push_back(hostTag(id, addresses[id - 1], kinds[id - 1]));
    // The line is there: a failed start is a fault of its own.
    TDLLObject object;
    if (!testing_support::startOnLine(object, std::make_shared<testing_support::Line>(), tags,
                                      testing_support::plant()))
        std::abort();
    driver::setCurrentObject(&object);  // the exports' object, as IniDriver leaves it

    fuzzing::Input input(data, size);
    for (int call = 0; call < 8 && input.remaining() > 0; ++call) {
        const int count = 1 + input.byte() % 8;
        std::list<std::string> texts;
        std::vector<TagDataRec> records;
        for (int i = 0; i < count; ++i) {
            const uint8_t id = input.byte() % 12, type = input.byte();
            records.push_back(readRecord(input, id, (type & 0x80) ? type & 0x7F : type % 3, texts));
        }
        char* message = nullptr;
        OnDataWrite(static_cast<uint32_t>(records.size()), records.data(), &message);
        std::free(message);
        fuzzing::readRounds(tags.size(), 2, 400);
    }
    FreeDriver();
    driver::setCurrentObject(nullptr);
    return 0;
}
