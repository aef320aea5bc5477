// Bytes from the line through the reply checks and the decoding of the protocol:
// a driver object on a line in memory polls (or writes) one parameter, and the
// input is what comes back.
//
// Input: mnemonic byte, setup byte, [write value], pieces byte, length byte, reply,
// then traffic steps.
//   setup bits 0-1: value kind of the first tag (3 = a kind the host does not define)
//         bit 2: a write of the parameter is answered instead of its poll
//         bit 3: the parameter lives on the 847 (device 2) rather than an 808 (device 1)
//         bits 4-7: bit number of the tag
//   A second tag on the same parameter, of the next kind, shares the command.
//   Write value: 8 bytes of a double (number), 1 byte (Boolean), or a length byte and
//   that many bytes (text).
//   Pieces byte: 0 delivers the reply at once, otherwise its first (byte mod length)
//   characters arrive one pass earlier.
//   Traffic steps, one pass each, while input remains (at most 64): a step byte whose
//   low two bits say what happens before the pass: 0 its upper six bits' count of
//   bytes arrive, 1 the clock moves on 20 ms times the upper bits, 2 the host writes
//   the first tag (value as above), 3 the host writes the second tag.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "definitions/DLLDef.h"
#include "framework/TagValue.h"
#include "framework/ValueExchange.h"
#include "fuzz_support.h"
#include "protocol/DLLRealize.h"
#include "support/memory_line.h"

namespace {

using testing_support::hostTag;
using testing_support::Line;

constexpr uint8_t kUndefinedKind = 7;

uint8_t kindOf(uint8_t code) { return code < 3 ? code : kUndefinedKind; }

TagValue writeValue(fuzzing::Input& input, uint8_t kind)
{
    switch (kind) {
    case OSTREVANE_VALUE_NUMBER: return input.value<double>();
    case OSTREVANE_VALUE_BOOLEAN: return (input.byte() & 1) != 0;
    case OSTREVANE_VALUE_TEXT: return input.bytes(input.byte());
    default: return std::monostate{};
    }
}

// Hands the values over as the host's read call does, and releases the texts.
void report(TDLLObject& object)
{
    std::vector<TagDataRec> records(object.TagTable.size() + 1);
    uint32_t count = 0;
    valueexchange::reportChanges(object, records.data(), count);
    for (uint32_t i = 0; i < count; ++i)
        if (records[i].ValueType == OSTREVANE_VALUE_TEXT) std::free(records[i].Value.Text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    testing_support::FakeClock& clock = fuzzing::begin();
    fuzzing::Input input(data, size);
    const std::string_view mnemonic = def::TagTypeInfo[input.byte() % def::kTagTypeCount].mnemonic;
    const uint8_t setup = input.byte();
    const uint8_t kind = kindOf(setup & 3);
    const bool write = (setup & 4) != 0;
    const int device = (setup & 8) ? 2 : 1;
    const int bit = setup >> 4;
    const std::string where = std::string(mnemonic) + std::to_string(device) + ":0.";
    std::vector<HostTagRec> records = {hostTag(1, where + std::to_string(bit), kind),
                                       hostTag(2, where + std::to_string((bit + 3) % 16), kindOf((setup + 1) & 3))};

    auto line = std::make_shared<Line>();
    TDLLObject object;
    if (!testing_support::startOnLine(object, line, records, testing_support::plant())) return 0;
    if (write) {
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
    object.ReadExecute();
    report(object);

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
    object.ReadExecute();
    report(object);

    for (int step = 0; step < 64 && input.remaining() > 0; ++step) {
        const uint8_t what = input.byte();
        switch (what & 3) {
        case 0: line->incoming += input.bytes(what >> 2); break;
        case 1: clock.advance(20u * (what >> 2)); break;
        case 2: object.WriteExecute(1, writeValue(input, records[0].ValueType)); break;
        case 3: object.WriteExecute(2, writeValue(input, records[1].ValueType)); break;
        }
        object.ReadExecute();
        report(object);
    }
    return 0;
}
