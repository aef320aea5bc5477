// Bytes from the line through the reply checks and the decoding: a driver object on a
// line in memory polls (or writes) one parameter, and the input is what comes back.
// Input: mnemonic byte, setup byte, [write value], pieces byte, length byte, reply, steps.
//   setup bits 0-1: the first tag's value kind (3: none the host defines); bit 2: a write is answered, not a poll;
//   bit 3: on the 847, not the 808; bits 4-7: the tag's bit (a second tag, of the next kind,
//   shares the parameter). Write value: a double, a byte (Boolean), or a length byte and the
//   text. Pieces: that many bytes (mod the reply's length) arrive one pass early. Steps (at
//   most 64), by the low bits: 0 the upper six bits' count of bytes arrive, 1 the clock moves
//   20 ms times them, 2 and 3 the host writes the first or second tag.
#include "definitions/DLLDef.h"
#include "framework/ValueExchange.h"
#include "fuzz_support.h"

namespace {

using testing_support::hostTag;
using testing_support::Line;

TagValue writeValue(fuzzing::Input& input, uint8_t kind)
{
    switch (kind) {
    case OSTREVANE_VALUE_NUMBER: return input.value<double>();
    case OSTREVANE_VALUE_BOOLEAN: return (input.byte() & 1) != 0;
    case OSTREVANE_VALUE_TEXT: return input.bytes(input.byte());
    default: return std::monostate{};
    }
}

void report(TDLLObject& object)
{
    std::vector<TagDataRec> records(object.TagTable.size() + 1);
    uint32_t count = 0;
    valueexchange::reportChanges(object, records.data(), count);
    fuzzing::releaseTexts(records.data(), count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    testing_support::FakeClock& clock = fuzzing::begin();
    fuzzing::Input input(data, size);
    const std::string_view mnemonic = def::TagTypeInfo[input.byte() % def::kTagTypeCount].mnemonic;
    const uint8_t setup = input.byte();
    const uint8_t kind = setup & 3;
    const int bit = setup >> 4;
    const std::string where = std::string(mnemonic) + ((setup & 8) ? "2" : "1") + ":0.";
    std::vector<HostTagRec> records = {hostTag(1, where + std::to_string(bit), kind),
                                       hostTag(2, where + std::to_string((bit + 3) % 16), (setup + 1) & 3)};

    auto line = std::make_shared<Line>();
    TDLLObject object;
    if (!testing_support::startOnLine(object, line, records, testing_support::plant())) return 0;
    const auto pass = [&] {
        object.ReadExecute();
        report(object);
    };
    if (setup & 4) {
        object.WriteExecute(1, writeValue(input, kind));
        // The poll under way ends by time-out; the write goes out in the same pass.
        object.ReadExecute();
        clock.advance(1001);
        object.ReadExecute();
    }
    const uint8_t pieces = input.byte();
    const std::string reply = input.bytes(input.byte());
    const size_t early = pieces && !reply.empty() ? pieces % reply.size() : 0;
    if (early) {
        line->incoming += reply.substr(0, early);
        object.ReadExecute();
    }
    line->incoming += reply.substr(early);
    pass();

    // The checks and the decoding on their own, as if the reply had passed the block check.
    if (TCommand* command = object.CurrentCommand     ? object.CurrentCommand
                            : object.PollList.empty() ? nullptr
                                                      : object.PollList.front().get()) {
        object.CheckResult(reply);
        object.GetEchoDataStr(reply, *command);
        object.GetEchoStatusStr(reply, *command);
        object.CommAnalyze(reply, *command, object.TagTable);
        report(object);
    }
    clock.advance(1001);
    pass();
    for (int step = 0; step < 64 && input.remaining() > 0; ++step) {
        const uint8_t what = input.byte();
        switch (what & 3) {
        case 0: line->incoming += input.bytes(what >> 2); break;
        case 1: clock.advance(20u * (what >> 2)); break;
        case 2: object.WriteExecute(1, writeValue(input, records[0].ValueType)); break;
        case 3: object.WriteExecute(2, writeValue(input, records[1].ValueType)); break;
        }
        pass();
    }
    return 0;
}
