// Host writes: checked, turned into write commands and queued for the poll cycle,
// which sends them before its next poll. The switch-type system tags act at once.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/DLLDef.h"
#include "definitions/FrameDef.h"
#include "framework/DLLBase.h"
#include "framework/FrameworkTexts.h"
#include "framework/Guard.h"
#include "framework/SystemTags.h"
#include "framework/TableAccess.h"
#include "framework/TagValue.h"

namespace {

constexpr std::string_view kClass = "TBaseDLLObject";
constexpr std::string_view kDeviceSwitch = "ENDEVICELINK";

// The switch a system tag stands for when written; the state tags COMMLINK and
// DEVICELINK have none.
enum class Switch { Log, CommLine, Device };

std::optional<Switch> switchOf(const TDLLTag& tag)
{
    if (!tag.internalTag) return std::nullopt;
    if (tag.typeString == "ENLOG") return Switch::Log;
    if (tag.typeString == "ENCOMMLINK") return Switch::CommLine;
    // ENDEVICELINK followed by the decimal number of a device of the table.
    const std::string_view type = tag.typeString;
    if (!type.starts_with(kDeviceSwitch) || !isDeviceNo(tag.deviceNo)) return std::nullopt;
    const std::string_view number = type.substr(kDeviceSwitch.size());
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return Switch::Device;
}

// What a written value means for a switch: a number is on unless 0, a Boolean is
// itself, and a text is on as "1" and off as "0" (as for a bit written through a
// text tag). Any other value means nothing.
std::optional<bool> switchValue(const TagValue& value)
{
    if (const auto* number = std::get_if<double>(&value)) return *number != 0;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (*text == "1") return true;
        if (*text == "0") return false;
    }
    return std::nullopt;
}

// The kind check: the message for a value that does not fit the tag, or none.
std::optional<std::string_view> kindMismatch(const TagValue& value, const TDLLTag& tag)
{
    const tagvalue::Kind kind = tagvalue::kindOf(tag.valueType);
    if (std::holds_alternative<double>(value) && kind != tagvalue::Kind::Number) return texts::framework::NotNumberTag;
    if (std::holds_alternative<bool>(value) && kind != tagvalue::Kind::Boolean) return texts::framework::NotSwitchTag;
    if (std::holds_alternative<std::string>(value) && kind != tagvalue::Kind::Text) return texts::framework::NotTextTag;
    return std::nullopt;
}

// A write of the whole word, which a later whole-value write of the parameter supersedes.
bool wholeValue(const TDLLTag& tag) { return tagvalue::kindOf(tag.valueType) == tagvalue::Kind::Number; }

// Sets the switch and shows it in the tag at once, in the tag's own kind.
void applySwitch(TBaseDLLObject& object, Switch which, TDLLTag& tag, bool on)
{
    switch (which) {
    case Switch::Log: object.LogEnabled = on; break;
    case Switch::CommLine: object.CommLineEnabled = on; break;
    case Switch::Device: object.DevEnabled[static_cast<size_t>(tag.deviceNo)] = on ? 1 : 0; break;
    }
    switch (tagvalue::kindOf(tag.valueType)) {
    case tagvalue::Kind::Number: tag.value = on ? 1.0 : 0.0; break;
    case tagvalue::Kind::Boolean: tag.value = on; break;
    case tagvalue::Kind::Text:
        if (which == Switch::Log) tag.value = systemtags::stateValue(object, systemtags::Kind::EnLog, tag);
        if (which == Switch::CommLine) tag.value = systemtags::stateValue(object, systemtags::Kind::EnCommLink, tag);
        if (which == Switch::Device) tag.value = std::string(on ? "1" : "0");
        break;
    }
}

// The waiting whole-value write of the tag's parameter that a whole-value write of the
// tag supersedes, or the queue's end.
TCommandQueue::iterator supersededWrite(TBaseDLLObject& object, const TDLLTag& tag)
{
    TCommandQueue& queue = object.WriteQueue;
    if (!wholeValue(tag)) return queue.end();
    return std::find_if(queue.begin(), queue.end(), [&](const std::unique_ptr<TCommand>& queued) {
        if (queued->tagIndexes.empty()) return false;
        const TDLLTag* creator = tagAt(object.TagTable, queued->tagIndexes.front());
        return creator && sameParameter(*creator, tag) && wholeValue(*creator);
    });
}

}  // namespace

bool TBaseDLLObject::WriteExecute(uint32_t hostId, const TagValue& value)
{
    return guard::run(kClass, "WriteExecute", false, [&] {
        // Refusals are logged only when the engineer asked for error lines.
        const auto refuse = [&](const std::string& message) {
            if (PDB.ErrorOutput) logLine(message);
            return false;
        };
        if (!ParmLoaded) IniParm(&PDB);
        if (!Running) return false;
        TDLLTag* tag = tagAt(TagTable, TagIndex.find(hostId));
        if (!tag) return refuse(texts::framework::WriteUnknownTag);

        if (const std::optional<Switch> which = switchOf(*tag)) {
            const std::optional<bool> on = switchValue(value);
            if (!on)
                return refuse(texts::framework::Tag + tag->name + texts::framework::WriteError +
                              texts::framework::SwitchOnlyOneOrZero);
            applySwitch(*this, *which, *tag, *on);
            return true;
        }

        // Read-only parameters and the state tags (COMMLINK, DEVICELINK) are not written.
        const int32_t type = tag->tagTypeIndex;
        if (!def::isTagType(type) || def::WriteAllowed[type] == 0)
            return refuse(texts::framework::Tag + tag->name + texts::framework::NotWritable);
        if (const std::optional<std::string_view> mismatch = kindMismatch(value, *tag))
            return refuse(texts::framework::Tag + tag->name + texts::framework::WriteError + std::string(*mismatch));

        const auto superseded = supersededWrite(*this, *tag);
        if (superseded == WriteQueue.end() && WriteQueue.size() >= kWriteQueueLimit) {
            const std::string message =
                texts::framework::Tag + tag->name + texts::framework::WriteError + texts::framework::WriteQueueFull;
            WriteCommEvent(message);
            return refuse(message);
        }

        // The command is made from the new value; the tag keeps showing its value until
        // the instrument acknowledges. A write that makes no command changes nothing.
        const TagValue current = tag->value;
        const float writeNumber = tag->writeNumber;
        tag->value = value;
        std::unique_ptr<TCommand> command = CreatCommand(*tag, PollList, true);
        tag->value = current;
        if (!command) {
            tag->writeNumber = writeNumber;
            return false;
        }
        tag->requestedValue = value;
        // The next bit write through any tag of the parameter starts from this word.
        for (const auto& other : TagTable) {
            if (sameParameter(*other, *tag)) other->writeNumber = tag->writeNumber;
        }
        if (superseded != WriteQueue.end()) WriteQueue.erase(superseded);
        WriteQueue.push_back(std::move(command));
        return true;
    });
}

bool TBaseDLLObject::writeDue() const
{
    if (WriteQueue.empty()) return false;
    // Polling goes on between the writes of a host that keeps the queue full.
    return PollList.empty() || WritesSincePoll < kWritesBetweenPolls;
}

void TBaseDLLObject::takeQueuedWrite()
{
    WriteChain = std::move(WriteQueue.front());
    WriteQueue.pop_front();
    CurrentCommand = CurrentChain = WriteChain.get();
    if (WritesSincePoll < kWritesBetweenPolls) ++WritesSincePoll;
}
