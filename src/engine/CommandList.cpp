// Making commands: grouping the tags into poll commands, a write command per write
// request, the address range of a command, the expected-reply text, fixing the poll
// commands once grouping is done.
#include <algorithm>
#include <climits>
#include <cmath>

#include "definitions/DLLDef.h"
#include "definitions/FrameDef.h"
#include "engine/DLLObj.h"
#include "engine/EngineTexts.h"
#include "framework/DLLLog.h"
#include "framework/FrameworkTexts.h"
#include "framework/Guard.h"
#include "framework/PDB.h"
#include "framework/TagValue.h"
#include "protocol/ValueText.h"
#include "sysinfo/version_info.h"

namespace {

constexpr std::string_view kClass = "TCustomDLLObject";
constexpr int64_t kWordMask = 0xFFFF;  // the instruments' parameters are 16-bit words

std::string cut(std::string text)
{
    if (text.size() > kCommandTextLimit) text.resize(kCommandTextLimit);
    return text;
}

int32_t narrowed(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// A number from a tag value; a text that is not one is a fault of the caller's data.
double requireNumber(const TagValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) {
        const TagValue number = tagvalue::convert(value, OSTREVANE_VALUE_NUMBER);
        if (!std::holds_alternative<double>(number)) throw std::invalid_argument("not a number: " + *text);
        return std::get<double>(number);
    }
    return tagvalue::asNumber(value);
}

// The word last written to the parameter with the tag's bit set or cleared.
float withBit(float writeNumber, int32_t bit, bool on)
{
    const double rounded = std::nearbyint(static_cast<double>(writeNumber));  // halves to even
    int64_t word = std::isfinite(rounded) && std::fabs(rounded) < 9.0e18 ? static_cast<int64_t>(rounded) : 0;
    // Bits beyond the word would be masked away; a bit number outside it changes nothing.
    if (bit >= 0 && bit < 16) word = on ? (word | (int64_t{1} << bit)) : (word & ~(int64_t{1} << bit));
    return static_cast<float>(word & kWordMask);
}

// Prepares the tag's write number from its value (for a write, the value being written).
void prepareWriteNumber(TDLLTag& tag)
{
    switch (tagvalue::kindOf(tag.valueType)) {
    case tagvalue::Kind::Number: tag.writeNumber = static_cast<float>(requireNumber(tag.value)); break;
    case tagvalue::Kind::Boolean:
        tag.writeNumber = withBit(tag.writeNumber, tag.bitNo, tagvalue::asBoolean(tag.value));
        break;
    case tagvalue::Kind::Text:
        if (const auto* text = std::get_if<std::string>(&tag.value)) {
            if (*text == "1") tag.writeNumber = withBit(tag.writeNumber, tag.bitNo, true);
            if (*text == "0") tag.writeNumber = withBit(tag.writeNumber, tag.bitNo, false);
        }
        break;
    }
}

std::string loggedValue(const TDLLTag& tag)
{
    switch (tagvalue::kindOf(tag.valueType)) {
    case tagvalue::Kind::Number: return logfile::formatNumber(tagvalue::asNumber(tag.value));
    case tagvalue::Kind::Boolean: return tagvalue::asBoolean(tag.value) ? "True" : "False";
    case tagvalue::Kind::Text: return {};
    }
    return {};
}

}  // namespace

std::unique_ptr<TCommand> TCustomDLLObject::CreatCommand(TDLLTag& tag, TCommandList& list, bool write)
{
    return guard::run(kClass, "CreatCommand", std::unique_ptr<TCommand>(), [&]() -> std::unique_ptr<TCommand> {
        if (!NeedCreatCommand(list, tag, write) || !def::isTagType(tag.tagTypeIndex)) return nullptr;
        prepareWriteNumber(tag);

        auto command = std::make_unique<TCommand>();
        command->tagIndexes.push_back(tag.tableIndex);
        command->rangeFixed = false;
        command->replyQuality = 1.0f;
        command->highAddr = command->lowAddr = tag.channelNo;
        command->startAddr = GetCommandStartAddr(*command, tag);
        command->endAddr = GetCommandEndAddr(*command, tag);
        // A write whose value cannot be put into words for the instrument (not a number,
        // say) makes no request: a select without its value must never reach the line.
        if (!write || !CreateValueStr(tag, true).empty()) command->request = cut(GetAskStr(*command, tag, write));
        if (command->request.empty()) {
            FreeCommand(command);
            if (PDB.ErrorOutput && write) logLine(texts::engine::ForTag + tag.name + texts::engine::BadWrite);
            if (PDB.ErrorOutput && !write && LogEnabled)
                logLine(texts::engine::ForTag + tag.name + texts::engine::BadRead);
            return nullptr;
        }

        command->answerMain = cut(GetAnswerMainStr(*command, tag, write));
        command->deviceNo = tag.deviceNo;
        command->tagTypeIndex = tag.tagTypeIndex;
        command->typeString = cut(tag.typeString);
        command->write = write;
        command->period = tag.period;
        command->skipCountdown = 0;
        command->skipFactor = 1;
        command->chain.reset();
        command->flags = write ? kWriteCommandFlags : kReadCommandFlags;
        command->tries = write ? 1 : 2;
        if (write) {
            command->rangeFixed = true;
            command->writeNumber = tag.writeNumber;
        }

        if (write && PDB.DebugSwitch && WriteLogBudget > 0) {
            --WriteLogBudget;
            std::string text = logfile::timePrefix() + texts::framework::FullWidthColon + systeminfo::DevTypeName() +
                               texts::engine::TypeIs +
                               (isDeviceNo(tag.deviceNo) ? pdb::typeName(PDB.Devices[tag.deviceNo]) : std::string()) +
                               texts::framework::FullWidthComma + systeminfo::DevIDName() + "=" +
                               std::to_string(tag.deviceNo) + "[";
            for (const int32_t position : command->tagIndexes) {
                const TDLLTag* member = tagAt(TagTable, position);
                const TDLLTag& shown = member ? *member : tag;
                text += shown.name + texts::engine::AddressIs + shown.address + " " + texts::engine::WriteValueIs +
                        loggedValue(shown) + ",";
            }
            text += texts::engine::WriteCommandMade + command->request + "\r\n";
            WriteLogMsg(text);
        }
        return command;
    });
}

bool TCustomDLLObject::NeedCreatCommand(TCommandList& list, TDLLTag& tag, bool write)
{
    return guard::run(kClass, "NeedCreatCommand", true, [&] {
        const int32_t type = tag.tagTypeIndex;
        // Writes are never merged; a type without an entry is turned down by CreatCommand.
        if (write) return !def::isTagType(type) || def::WriteAllowed[type] != 0;
        if (def::isTagType(type) && def::ReadAllowed[type] == 0) return false;

        TCommand scratch;
        const std::string request = cut(GetAskStr(scratch, tag, false));
        grouping_.sync(list);
        const int32_t match = grouping_.findRequest(tag.deviceNo, request);

        // Commands of the device and type met before the match widen their range to the tag.
        const int32_t p = tag.channelNo;
        if (const std::vector<int32_t>* sameType = grouping_.withType(tag.deviceNo, type)) {
            for (const int32_t position : *sameType) {
                if (match >= 0 && position > match) break;
                TCommand& command = *list[static_cast<size_t>(position)];
                if (command.startAddr <= p && p <= command.endAddr) {
                    command.highAddr = std::max(command.highAddr, p);
                    command.lowAddr = std::min(command.lowAddr, p);
                }
            }
        }
        if (match < 0) return true;

        TCommand& command = *list[static_cast<size_t>(match)];
        command.tagIndexes.push_back(tag.tableIndex);
        if (tag.period < command.period) command.period = tag.period;
        return false;
    });
}

int32_t TCustomDLLObject::GetCommandAddrLength(TCommand& command, TDLLTag& tag)
{
    return guard::run(kClass, "GetCommandAddrLength", int32_t{1}, [&] {
        if (!def::isTagType(tag.tagTypeIndex)) return int32_t{1};
        if (command.rangeFixed) return narrowed(int64_t{command.highAddr} - command.lowAddr + 1);
        return def::AddrBlockLength[tag.tagTypeIndex];
    });
}

int32_t TCustomDLLObject::GetCommandStartAddr(TCommand& command, TDLLTag& tag)
{
    return guard::run(kClass, "GetCommandStartAddr", int32_t{0}, [&] {
        if (!def::isTagType(tag.tagTypeIndex)) return int32_t{0};
        if (command.rangeFixed) return command.lowAddr;
        const int64_t n = GetCommandAddrLength(command, tag);
        if (n == 0) return int32_t{0};
        return narrowed(int64_t{tag.channelNo} / n * n);
    });
}

int32_t TCustomDLLObject::GetCommandEndAddr(TCommand& command, TDLLTag& tag)
{
    return guard::run(kClass, "GetCommandEndAddr", int32_t{0}, [&] {
        if (!def::isTagType(tag.tagTypeIndex)) return int32_t{0};
        if (command.rangeFixed) return command.highAddr;
        const int64_t n = GetCommandAddrLength(command, tag);
        if (n == 0) return int32_t{0};
        return narrowed(int64_t{tag.channelNo} / n * n + n - 1);
    });
}

std::string TCustomDLLObject::GetAnswerMainStr(TCommand&, TDLLTag& tag, bool write)
{
    return guard::run(kClass, "GetAnswerMainStr", std::string(), [&] {
        const int32_t type = tag.tagTypeIndex;
        if (write || !def::isTagType(type) || def::ReadEchoKind[type] != def::kEchoText) return std::string();
        return std::string(def::ReadEchoHead[type]) + valuetext::paddedInteger(tag.deviceNo, 2, true) +
               std::string(def::ReadEchoCode[type]);
    });
}

void TCustomDLLObject::OptimizeCommParm()
{
    guard::run(kClass, "OptimizeCommParm", [&] {
        // The texts of the commands change now; the tag table is complete.
        grouping_.clear();
        indexSystemTags();
        for (const auto& head : PollList) {
            for (TCommand* command = head.get(); command; command = command->chain.get()) {
                if (!(command->flags & kCommandUpdatesTags) || command->rangeFixed) continue;
                command->rangeFixed = true;
                command->startAddr = command->lowAddr;
                command->endAddr = command->highAddr;
                TDLLTag* first = command->tagIndexes.empty() ? nullptr : tagAt(TagTable, command->tagIndexes.front());
                if (first) {
                    command->request = cut(GetAskStr(*command, *first, false));
                    command->answerMain = cut(GetAnswerMainStr(*command, *first, false));
                }
                if (!PDB.DebugSwitch) continue;
                const int32_t deviceNo = command->deviceNo;
                std::string text = logfile::timePrefix() + texts::framework::FullWidthColon +
                                   systeminfo::DevTypeName() + texts::engine::TypeIs +
                                   (isDeviceNo(deviceNo) ? pdb::typeName(PDB.Devices[deviceNo]) : std::string()) +
                                   texts::framework::FullWidthComma + systeminfo::DevIDName() + "=" +
                                   std::to_string(deviceNo) + "[";
                for (const int32_t position : command->tagIndexes) {
                    if (const TDLLTag* tag = tagAt(TagTable, position))
                        text += tag->name + texts::engine::AddressIs + tag->address + " ";
                }
                text += texts::engine::ReadCommandMade + command->request + "\r\n";
                WriteLogMsg(text);
            }
        }
    });
}
