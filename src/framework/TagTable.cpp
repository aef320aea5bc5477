// The tag table: one TDLLTag per accepted host tag, in the host's order, the
// system tags among them; the poll list built from it and the poll planning.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "definitions/DLLDef.h"
#include "framework/DLLBase.h"
#include "framework/FrameworkTexts.h"
#include "framework/GbkText.h"
#include "framework/Guard.h"
#include "framework/HostVariant.h"
#include "framework/PDB.h"
#include "framework/SystemTags.h"
#include "framework/TagValue.h"
#include "platform/calendar.h"
#include "platform/clock.h"

namespace {

constexpr std::string_view kClass = "TBaseDLLObject";
constexpr size_t kHostNameSize = sizeof(HostTagRec::Name);
constexpr size_t kHostAddressSize = sizeof(HostTagRec::Address);

// The first value of a tag whose host gave none.
TagValue emptyInitialValue(uint8_t valueType)
{
    switch (tagvalue::kindOf(valueType)) {
    case tagvalue::Kind::Boolean: return false;
    case tagvalue::Kind::Text: return std::string();
    case tagvalue::Kind::Number: break;
    }
    return 0.0;
}

// Rounds to the nearest integer, halves to even, within 64 bits.
int64_t roundedWord(float number)
{
    const double rounded = std::nearbyint(static_cast<double>(number));
    if (std::isnan(rounded)) return 0;
    if (rounded >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (rounded <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(rounded);
}

bool bitOf(int64_t word, int32_t bit)
{
    if (bit < 0 || bit >= 64) return false;
    return ((static_cast<uint64_t>(word) >> bit) & 1u) != 0;
}

}  // namespace

std::unique_ptr<TDLLTag> TBaseDLLObject::CreatInternalTag(const HostTagRec& hostTag)
{
    return guard::run(kClass, "CreatInternalTag", std::unique_ptr<TDLLTag>(), [&] {
        auto tag = std::make_unique<TDLLTag>();
        tag->hostId = hostTag.TagId;
        // The host's fields need not end in a NUL: read them within their size.
        tag->name = gbk::boundedField(hostTag.Name, kHostNameSize);
        tag->address = gbk::boundedField(hostTag.Address, kHostAddressSize);
        tag->valueType = hostTag.ValueType;
        tag->period = hostTag.ReportInterval;
        tag->quality = OSTREVANE_QUALITY_GOOD;
        tag->internalTag = 0;
        tag->reads = tag->readFailures = tag->writes = tag->writeFailures = 0;
        tag->typeString = GetTagTypeStr(tag->name, tag->address);
        tag->tagTypeIndex = GetTagTypeIndex(tag->name, tag->address);

        const TagValue hostValue = hostvariant::read(hostTag.InitialValue);
        TagValue initial = tagvalue::convert(hostValue, tag->valueType);
        // A host value that means nothing in the tag's kind starts it at that kind's zero.
        if (std::holds_alternative<std::monostate>(initial) && !std::holds_alternative<std::monostate>(hostValue))
            initial = emptyInitialValue(tag->valueType);
        tag->value = initial;
        tag->reportedValue = initial;
        tag->reportCountdown = 5;
        tag->lastReportTick = platform::clock().tickCount();
        tag->secondWriteNumber = 0;

        tag->deviceNo = GetTagDevID(tag->name, tag->address);
        tag->deviceType = pdb::deviceTypeAt(PDB, tag->deviceNo);
        tag->channelNo = GetTagChnNo(tag->name, tag->address, tag->deviceType);
        tag->bitNo = GetTagBitNo(tag->name, tag->address, tag->deviceType);
        tag->slotNo = GetTagSlotNo(tag->name, tag->address, tag->deviceType);
        if (tag->tagTypeIndex >= 0) tag->writeAllowed = def::WriteAllowed[tag->tagTypeIndex];
        tag->writeNumber = 0;

        // The bit number stays the one the address names, with or without an initial
        // value: a bit write sends the whole word with that bit changed.
        if (std::holds_alternative<std::monostate>(initial)) tag->value = emptyInitialValue(tag->valueType);
        return tag;
    });
}

bool TBaseDLLObject::IniTagList(const HostTagList& hostTags)
{
    bool failed = true;
    const bool result = guard::run(kClass, "IniTagList", false, [&] {
        if (Running) Stop();
        CurrentCommand = nullptr;
        CurrentChain = nullptr;
        PollList.clear();
        TagTable.clear();
        Running = true;
        LogEnabled = true;
        LinkOK = false;
        CommLineEnabled = true;
        // A table rebuilt without an ENLOG tag must not keep the earlier table's.
        HasLogTag = false;
        TagIndex.reset(hostTags.size());

        int32_t position = 0;
        for (const HostTagRec* hostTag : hostTags) {
            if (!hostTag) continue;
            std::unique_ptr<TDLLTag> tag = CreatInternalTag(*hostTag);
            if (!tag) continue;
            const std::string upperAddress = gbk::upperAscii(tag->address);
            if (systemtags::recognise(*this, *tag, upperAddress))
                tag->typeString = upperAddress;
            else
                CheckAddrValid(tag);
            if (!tag) continue;
            TagIndex.assign(tag->hostId, position);
            tag->tableIndex = position;
            TagTable.push_back(std::move(tag));
            ++position;
        }
        if (!TagTable.empty())
            Refresh();
        else
            Stop();
        TagCount = static_cast<int32_t>(TagTable.size());
        failed = false;
        return true;
    });
    if (failed) Stop();
    return result;
}

void TBaseDLLObject::Refresh()
{
    guard::run(kClass, "Refresh", [&] {
        if (!Running) return;
        CurrentCommand = nullptr;
        CurrentChain = nullptr;
        PollList.clear();
        for (const auto& tag : TagTable) {
            if (tag->internalTag) continue;
            if (std::unique_ptr<TCommand> command = CreatCommand(*tag, PollList, false))
                PollList.push_back(std::move(command));
        }
        PollIndex = 0;
        DevProbe.fill(-1);  // positions in the list just replaced
        ReturningCommands.clear();
        Statistics.exchanges = 0;
        Statistics.goodReplies = 0;
        Statistics.timeouts = 0;
        Statistics.checkErrors = 0;
        Statistics.shortReplies = 0;
        Statistics.garbledReplies = 0;
        Statistics.abnormalReplies = 0;
        Statistics.lastCycleTime = 0;
        Statistics.consecutiveTimeouts = 0;
        Statistics.lastResetTime = platform::toOleDate(platform::clock().localNow());
        // Writes queued for the earlier poll list are dropped with it.
        WriteQueue.clear();
        WritesSincePoll = 0;

        OptimizeCommParm();
        ScanTime = GetInterval();
        LogEnabled = HasLogTag;
        // The run time of the statistics block counts from here, also when only
        // system tags were accepted and nothing is ever sent.
        StartTick = platform::clock().tickCount();
        RunTimeLaps = 0;
        RunTimeSinceStart = 0;
        if (!PollList.empty()) {
            CurrentChain = CurrentCommand = PollList[static_cast<size_t>(PollIndex)].get();
            RealComm(CurrentCommand);
            CycleStartTick = platform::clock().tickCount();
        }
    });
}

uint32_t TBaseDLLObject::GetInterval()
{
    return guard::run(kClass, "GetInterval", uint32_t{10}, [&] {
        uint32_t shortest = 1000;
        for (size_t i = 0; i < PollList.size(); ++i) {
            if (PollList[i]->period < shortest) {
                shortest = PollList[i]->period;
                WrapIndex = static_cast<int32_t>(i);
            }
        }
        // The cycle polls the fastest command on every turn and a slower one on
        // every skipFactor-th turn; load is the commands sent per turn, plus one.
        float load = 1.0f;
        for (const auto& command : PollList) {
            uint32_t skip = shortest == 0 ? 1 : command->period / shortest;
            if (skip == 0) skip = 1;
            command->skipFactor = static_cast<int32_t>(std::min<uint32_t>(skip, INT32_MAX));
            command->skipCountdown = 1;
            load = static_cast<float>(static_cast<double>(load) + 1.0 / skip);
        }
        uint32_t interval = shortest;
        if (!PollList.empty()) interval = static_cast<uint32_t>(shortest / static_cast<double>(load)) + 1;
        if (interval < 10) {
            // Faster than the host's 10 ms scan cannot go: stretch the slower commands.
            const double factor = 10.0 / interval;
            interval = 10;
            const int64_t scale = static_cast<int64_t>(std::nearbyint(factor));
            for (const auto& command : PollList) {
                if (command->skipFactor == 1) continue;
                const int64_t stretched = scale * command->skipFactor;
                command->skipFactor = static_cast<int32_t>(std::min<int64_t>(stretched, INT32_MAX));
            }
        }
        Statistics.fastestCycle = 1000.0;
        Statistics.slowestCycle = 1000.0;
        Statistics.averageCycle = interval;
        logLine(texts::framework::ReadScanPeriod + std::to_string(interval));
        // The tag count is set once the table is complete; the table itself already is.
        logLine(texts::framework::ValidTagCount + std::to_string(TagTable.size()));
        return interval;
    });
}

void TBaseDLLObject::SyncTagValue(TDLLTag& tag, TCommand& command)
{
    guard::run(kClass, "SyncTagValue", [&] {
        // The written tag is one of those it updates; the loop changes only write numbers
        // and requested values, never the address parts compared.
        const float writeNumber = tag.writeNumber;
        // The requested values are those of the word this command carries: a later write
        // of the parameter, queued meanwhile, has already moved the write number on.
        const float sentWord = command.write ? command.writeNumber : writeNumber;
        const int64_t word = roundedWord(sentWord);
        for (const auto& other : TagTable) {
            if (!sameParameter(*other, tag)) continue;
            // A retry syncs again, and the written tag is already listed: count each tag once.
            if (std::find(command.tagIndexes.begin(), command.tagIndexes.end(), other->tableIndex) ==
                command.tagIndexes.end())
                command.tagIndexes.push_back(other->tableIndex);
            other->writeNumber = writeNumber;
            const bool bitSet = bitOf(word, other->bitNo);
            switch (tagvalue::kindOf(other->valueType)) {
            case tagvalue::Kind::Number: other->requestedValue = static_cast<double>(sentWord); break;
            case tagvalue::Kind::Boolean: other->requestedValue = bitSet; break;
            case tagvalue::Kind::Text: other->requestedValue = std::string(bitSet ? "1" : "0"); break;
            }
        }
    });
}
