// Replies. A read reply is STX, the mnemonic, the data, ETX and the block check (the
// exclusive-or of everything after STX up to ETX): 02 50 56 32 35 2E 30 03 check for
// PV = 25.0. A write reply is a lone ACK. Texts from the line are untrusted: every
// step below stays inside the text it is given. Bytes before the STX are line noise
// (a start bit hit by interference, the tail of an earlier reply) and are passed over;
// a reply whose STX itself was hit, or that names another parameter than the one
// polled, is not the answer to this poll and is refused.
#include <algorithm>
#include <cmath>
#include <optional>

#include "definitions/FrameDef.h"
#include "framework/Guard.h"
#include "framework/TagValue.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "protocol/DLLRealize.h"
#include "protocol/ValueText.h"

namespace {

// Removes up to `count` characters from the front.
void dropFront(std::string& text, size_t count) { text.erase(0, std::min(count, text.size())); }

void dropBack(std::string& text, size_t count) { text.erase(text.size() - std::min(count, text.size())); }

// The new value of an analog tag from the reply's data, or nothing when it keeps its own.
std::optional<double> analogValue(const std::string& data, const TagValue& previous)
{
    if (!data.empty() && data.front() == '>') {
        if (const auto number = valuetext::parseHex(valuetext::hexNumberText(data)))
            return static_cast<double>(*number);
        // What the tag had, as a whole number.
        return std::nearbyint(tagvalue::asNumber(previous));
    }
    return valuetext::parseDecimal(valuetext::GetNumberStr(data));
}

// Where the frame of a read reply begins: its STX followed by the polled mnemonic;
// npos when the reply holds no such frame.
size_t readFrameStart(const std::string& reply, int32_t type)
{
    if (!def::isTagType(type)) return std::string::npos;
    std::string head(def::ReadEchoHead[type]);
    head.append(def::ReadEchoCode[type]);
    return reply.find(head);
}

bool switchValue(const std::string& data, const TagValue& previous)
{
    const double number =
        valuetext::parseDecimal(valuetext::GetNumberStr(data)).value_or(tagvalue::asBoolean(previous) ? 1.0 : 0.0);
    return std::trunc(number) == 1.0;
}

}  // namespace

bool TDLLObject::CheckResult(const std::string& reply)
{
    return guard::run("TDLLObject", "CheckResult", false, [&] {
        if (!CurrentCommand) return false;
        if (CurrentCommand->write) return reply.size() == 1 && reply.front() == def::ACK;
        const size_t start = readFrameStart(reply, CurrentCommand->tagTypeIndex);
        if (start == std::string::npos) return false;
        const std::string frame = reply.substr(start);
        // Only a complete frame is looked at: one still arriving could pass the block
        // check by chance and hand half a value to the tags.
        const size_t checkLength = static_cast<size_t>(def::CrcLength);
        const size_t headLength = def::ReadEchoHead[CurrentCommand->tagTypeIndex].size() +
                                  def::ReadEchoCode[CurrentCommand->tagTypeIndex].size();
        if (frame.size() <= headLength + checkLength || frame[frame.size() - checkLength - 1] != def::ETX) return false;
        return TCustomDLLObject::CheckResult(frame);
    });
}

std::string TDLLObject::GetCrcSourceStr(const std::string& reply)
{
    // Everything between the leading STX and the check character.
    if (reply.size() < 2) return {};
    return reply.substr(1, reply.size() - 2);
}

std::string TDLLObject::GetEchoDataStr(const std::string& reply, TCommand& command)
{
    return guard::quiet(std::string(), [&] {
        std::string data = reply;
        const int32_t type = command.tagTypeIndex;
        if (def::isTagType(type)) {
            if (!command.write && def::ReadEchoKind[type] == def::kEchoText) {
                const size_t start = readFrameStart(data, type);
                if (start != std::string::npos) dropFront(data, start);
                dropFront(data, def::ReadEchoHead[type].size());
                dropFront(data, def::ReadEchoCode[type].size());
                if (data.size() >= 2) data.erase(data.size() - 2, 1);  // the ETX
            } else if (command.write && def::WriteEchoKind[type] == def::kEchoText) {
                dropFront(data, def::WriteEchoHead[type].size());
                dropFront(data, static_cast<size_t>(def::DevAddrLength));
                dropFront(data, def::WriteEchoTail[type].size());
            }
        }
        if (def::CrcKind != 0) dropBack(data, static_cast<size_t>(def::CrcLength));
        return data;
    });
}

bool TDLLObject::CommAnalyze(const std::string& reply, TCommand& command, TTagTable& tags)
{
    bool updated = false;
    // A fault ends the loop quietly; tags already handled keep their new values.
    guard::quiet(false, [&] {
        const std::string data = GetEchoDataStr(reply, command);
        GetEchoStatusStr(reply, command);
        const double now = platform::toOleDate(platform::clock().localNow());
        for (const int32_t position : command.tagIndexes) {
            TDLLTag* tag = tagAt(tags, position);
            if (!tag) continue;
            tag->quality = OSTREVANE_QUALITY_GOOD;
            switch (tag->valueType) {
            case OSTREVANE_VALUE_NUMBER:
                if (data.empty()) continue;
                if (const auto value = analogValue(data, tag->value)) tag->value = *value;
                break;
            case OSTREVANE_VALUE_BOOLEAN:
                if (data.empty()) continue;
                tag->value = switchValue(data, tag->value);
                break;
            case OSTREVANE_VALUE_TEXT: tag->value = data; break;
            default:
                if (data.empty()) continue;
                break;
            }
            tag->timeStamp = now;
            updated = true;
        }
        return true;
    });
    return updated;
}
