// The scheduling skeleton of TBaseDLLObject: sending a command, finishing an
// exchange (link states, system tags, tag updates, the next command), selecting the
// next poll command and disposing command chains. The serial engine adds the port.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/DLLBase.h"
#include "framework/DLLLog.h"
#include "framework/FrameworkTexts.h"
#include "framework/Guard.h"
#include "framework/SystemTags.h"
#include "framework/TableAccess.h"
#include "platform/clock.h"

namespace {

constexpr std::string_view kClass = "TBaseDLLObject";

// Overall link state after a failed exchange while the line is on: one failure after
// normal is interference, two a fault, three or more a broken line; a line that was
// paused starts again from "never succeeded".
constexpr std::array<uint8_t, 6> kLinkStateAfterFailure = {0, 2, 3, 4, 4, 0};
constexpr uint8_t kLinkNormal = 1;
constexpr uint8_t kLinkBroken = 4;
constexpr uint8_t kLinkPaused = 5;
// Failures in a row after which a device's link state is "fault": its values are stale.
constexpr int32_t kSilentAfter = 3;

// A device's link state from its run of failures (-1: never answered).
uint8_t deviceLinkState(int32_t failures)
{
    if (failures < 0) return 0;
    if (failures == 0) return 1;
    if (failures <= 2) return 2;
    if (failures <= 5) return 3;
    return 4;
}

int32_t decrementedCountdown(int32_t countdown) { return countdown == INT32_MIN ? countdown : countdown - 1; }

// skip factor / quality, truncated, kept inside the 32-bit range.
int32_t countdownFor(int32_t skipFactor, float quality)
{
    const double countdown = std::trunc(static_cast<double>(skipFactor) / static_cast<double>(quality));
    return static_cast<int32_t>(std::clamp(countdown, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

}  // namespace

bool TBaseDLLObject::deviceEnabled(int32_t deviceNo) const
{
    return !isDeviceNo(deviceNo) || DevEnabled[deviceNo] != 0;
}

void TBaseDLLObject::indexSystemTags()
{
    SystemTagPositions.clear();
    for (size_t position = 0; position < TagTable.size(); ++position) {
        const TDLLTag* tag = TagTable[position].get();
        if (tag && tag->internalTag) SystemTagPositions.push_back(static_cast<int32_t>(position));
    }
}

// --- neutral versions: the serial engine and the instrument protocol replace these ---

void TBaseDLLObject::OptimizeCommParm() {}

std::unique_ptr<TCommand> TBaseDLLObject::CreatCommand(TDLLTag&, TCommandList&, bool) { return nullptr; }

bool TBaseDLLObject::NeedCreatCommand(TCommandList&, TDLLTag&, bool) { return false; }

std::string TBaseDLLObject::GetAskStr(TCommand&, TDLLTag&, bool) { return {}; }

std::string TBaseDLLObject::GetAnswerMainStr(TCommand&, TDLLTag&, bool) { return {}; }

int32_t TBaseDLLObject::ReadExecute() { return 0; }

// --- the skeleton ---

void TBaseDLLObject::RealComm(TCommand* command)
{
    guard::run(kClass, "RealComm", [&] {
        if (!command || !CommLineEnabled) return;
        if (command->write && (command->flags & kCommandUpdatesTags) && !command->tagIndexes.empty()) {
            if (TDLLTag* written = tagAt(TagTable, command->tagIndexes.front())) SyncTagValue(*written, *command);
        }
        SendTick = platform::clock().tickCount();
        Elapsed = 0;
        // A switched-off device is not addressed; its exchange ends by time-out.
        if (!deviceEnabled(command->deviceNo)) return;
        CurrentCommand = command;
        ExchangeFinished = false;
    });
}

void TBaseDLLObject::FinalCommand()
{
    guard::run(kClass, "FinalCommand", [&] {
        TCommand* command = CurrentCommand;
        if (!ExchangeFinished || !command) return;
        const int32_t deviceNo = command->deviceNo;
        const bool hasDevice = isDeviceNo(deviceNo);

        // Link states.
        const uint8_t previousLinkState = LinkState;
        bool deviceFellSilent = false;
        if (LinkOK && CommLineEnabled) {
            LinkState = kLinkNormal;
            if (hasDevice) DevFailCount[deviceNo] = DevSilentCount[deviceNo] = 0;
            if (backedOff(deviceNo)) resumeDevice(deviceNo, *command);
        } else {
            if (hasDevice && DevFailCount[deviceNo] != -1 && DevFailCount[deviceNo] != INT32_MAX)
                ++DevFailCount[deviceNo];
            if (hasDevice && CommLineEnabled && DevEnabled[deviceNo] && DevSilentCount[deviceNo] < kSilentAfter)
                deviceFellSilent = ++DevSilentCount[deviceNo] == kSilentAfter;
            if (hasDevice && DevSilentCount[deviceNo] >= kSilentAfter && !backedOff(deviceNo))
                backOffDevice(deviceNo, *command);
            LinkState =
                CommLineEnabled ? kLinkStateAfterFailure[std::min<size_t>(LinkState, kLinkPaused)] : kLinkPaused;
        }
        const bool lineBrokeNow = LinkState == kLinkBroken && previousLinkState != kLinkBroken;
        if (deviceFellSilent || lineBrokeNow) markSilentTagsBad(lineBrokeNow, deviceNo);
        if (hasDevice) {
            DevLinkState[deviceNo] =
                (!DevEnabled[deviceNo] || !CommLineEnabled) ? kLinkPaused : deviceLinkState(DevFailCount[deviceNo]);
        }

        // System tags follow the driver's state; a device's link tag only after an
        // exchange with that device.
        for (const int32_t position : SystemTagPositions) {
            TDLLTag* tag = tagAt(TagTable, position);
            if (!tag || !tag->internalTag) continue;
            const std::optional<systemtags::Kind> kind = systemtags::refreshedKind(tag->typeString);
            if (!kind) continue;
            if (*kind == systemtags::Kind::DeviceLink && (!hasDevice || tag->deviceNo != deviceNo)) continue;
            tag->value = systemtags::stateValue(*this, *kind, *tag);
        }

        Elapsed = 0;

        // A command that keeps failing is polled less often, down to every 100th turn.
        if (command->replyQuality < 0.5f) {
            command->replyQuality = std::max(command->replyQuality, 0.01f);
            command->skipCountdown = countdownFor(command->skipFactor, command->replyQuality);
        } else {
            command->skipCountdown = command->skipFactor;
        }

        // Tag updates.
        if (!LinkOK) {
            // A write goes out once more, unless its device is silent: a second try would
            // only keep the line waiting for it.
            if (command->tries == 1 && !backedOff(deviceNo)) {
                command->tries = 2;  // the write goes out once more
                return;
            }
            if (command->write && (command->flags & kCommandUpdatesTags) && !command->tagIndexes.empty()) {
                if (TDLLTag* tag = tagAt(TagTable, command->tagIndexes.front())) tag->quality = OSTREVANE_QUALITY_BAD;
            }
        } else if (command->flags & kCommandUpdatesTags) {
            for (const int32_t position : command->tagIndexes) {
                TDLLTag* tag = tagAt(TagTable, position);
                if (!tag) continue;
                tag->quality = OSTREVANE_QUALITY_GOOD;
                if (command->write) tag->value = tag->requestedValue;
            }
        }

        // The next command: the rest of the chain, the oldest write, or the next poll.
        if (command->chain) {
            CurrentCommand = command->chain.get();
            return;
        }
        if (CurrentChain && (CurrentChain->flags & kCommandTemporary)) {
            if (WriteChain.get() == CurrentChain) FreeCommand(WriteChain);
            CurrentChain = nullptr;
            CurrentCommand = nullptr;
        }
        if (writeDue()) {
            takeQueuedWrite();
        } else {
            WritesSincePoll = 0;
            CancelCommand();
        }
    });
}

void TBaseDLLObject::markSilentTagsBad(bool brokenLineNow, int32_t deviceNo)
{
    // Set once, when the state is reached: the host sees the change of quality once,
    // and a reply for any of the tags later makes that tag good again.
    for (const auto& tag : TagTable) {
        if (!tag || tag->internalTag) continue;
        if (brokenLineNow || tag->deviceNo == deviceNo) tag->quality = OSTREVANE_QUALITY_BAD;
    }
}

void TBaseDLLObject::backOffDevice(int32_t deviceNo, const TCommand& failed)
{
    // The probe is the device's command with the best reply record before this exchange
    // (the failed command's quality has just been halved), the first in the list among
    // equals: a parameter the instrument never answers must not be the one left to
    // notice its return.
    int32_t probe = -1;
    int32_t commands = 0;
    float best = -1.0f;
    for (size_t position = 0; position < PollList.size(); ++position) {
        const TCommand* command = PollList[position].get();
        if (!command || command->deviceNo != deviceNo) continue;
        ++commands;
        const float record = command == &failed ? command->replyQuality * 2.0f : command->replyQuality;
        if (record > best) {
            best = record;
            probe = static_cast<int32_t>(position);
        }
    }
    // A single command already backs off on its own.
    if (commands > 1) DevProbe[deviceNo] = probe;
    // Silent again before all its commands were brought back: the rest wait with it.
    std::erase_if(ReturningCommands,
                  [&](int32_t position) { return PollList[static_cast<size_t>(position)]->deviceNo == deviceNo; });
}

void TBaseDLLObject::resumeDevice(int32_t deviceNo, const TCommand& answered)
{
    for (size_t position = 0; position < PollList.size(); ++position) {
        const TCommand* command = PollList[position].get();
        if (command && command->deviceNo == deviceNo && command != &answered)
            ReturningCommands.push_back(static_cast<int32_t>(position));
    }
    DevProbe[deviceNo] = -1;
}

bool TBaseDLLObject::backedOff(int32_t deviceNo) const { return isDeviceNo(deviceNo) && DevProbe[deviceNo] >= 0; }

bool TBaseDLLObject::passedOver(const TCommand& command, int32_t position) const
{
    // The head of the list is never passed over: a selection over a list whose devices
    // are all switched off ends there.
    return position != 0 && backedOff(command.deviceNo) && DevProbe[command.deviceNo] != position;
}

void TBaseDLLObject::CancelCommand()
{
    guard::run(kClass, "CancelCommand", [&] {
        CurrentCommand = nullptr;
        CurrentChain = nullptr;
        if (PollList.empty()) return;
        // The commands of a device that has just answered again go first, without
        // moving the list on.
        if (!ReturningCommands.empty()) {
            CurrentCommand = CurrentChain = PollList[static_cast<size_t>(ReturningCommands.front())].get();
            ReturningCommands.erase(ReturningCommands.begin());
            return;
        }
        const auto count = static_cast<int32_t>(std::min<size_t>(PollList.size(), INT32_MAX));
        bool first = true;
        bool wrapped = false;
        // Long periods (and slowed polling of silent devices) give countdowns of up to
        // 2^31 selections. While every countdown is above 2, a whole turn of the list only
        // takes one from each: those turns are taken in one step, so that a selection never
        // walks the list millions of times inside one read call.
        // Commands passed over (those of a backed-off device besides its probe) are not
        // counted down: the list turns as if they were not in it.
        const auto counted = [this](const TCommand* command, int32_t position) {
            return command && !passedOver(*command, position);
        };
        int32_t lowest = INT32_MAX;
        for (int32_t position = 0; position < count; ++position) {
            const TCommand* command = PollList[static_cast<size_t>(position)].get();
            if (!command) lowest = INT32_MIN;
            if (counted(command, position)) lowest = std::min(lowest, command->skipCountdown);
        }
        if (lowest > 2) {
            for (int32_t position = 0; position < count; ++position) {
                TCommand* command = PollList[static_cast<size_t>(position)].get();
                if (counted(command, position)) command->skipCountdown -= lowest - 2;
            }
            wrapped = WrapIndex >= 0 && WrapIndex < count;
        }
        TCommand* candidate = nullptr;
        for (;;) {
            PollIndex = PollIndex >= 0 && PollIndex < count ? (PollIndex + 1) % count : 0;
            candidate = PollList[static_cast<size_t>(PollIndex)].get();
            if (!candidate) return;
            if (PollIndex == WrapIndex) wrapped = true;
            if (passedOver(*candidate, PollIndex)) continue;
            if (first || candidate->skipCountdown < 2) {
                candidate->skipCountdown = decrementedCountdown(candidate->skipCountdown);
                if (candidate->skipCountdown <= 1) first = false;
            }
            if (candidate->skipCountdown <= 0) break;
        }
        CurrentCommand = CurrentChain = candidate;
        if (!wrapped) return;

        // Selecting the command with the shortest period closes a poll cycle.
        const uint32_t now = platform::clock().tickCount();
        const uint32_t lastCycle = now - CycleStartTick;
        CycleStartTick = now;
        Statistics.lastCycleTime = lastCycle;
        if (PDB.TraceOutput)
            WriteLogMsg(logfile::line(texts::framework::ReadCycle + std::to_string(lastCycle)) + "\r\n");
        CommStatistics& s = Statistics;
        if (static_cast<size_t>(std::max(s.exchanges, 0)) < PollList.size()) {
            s.fastestCycle = s.slowestCycle = s.averageCycle = lastCycle;
        } else {
            s.slowestCycle = std::max<double>(s.slowestCycle, lastCycle);
            s.fastestCycle = std::min<double>(s.fastestCycle, lastCycle);
            double n = static_cast<double>(s.exchanges) - static_cast<double>(PollList.size());
            if (n == 0) n = 1;
            s.averageCycle = ((n - 1) * s.averageCycle + lastCycle) / n;
        }
    });
}

void TBaseDLLObject::FreeCommand(std::unique_ptr<TCommand>& chain)
{
    // Disposing the head disposes the commands linked behind it, one by one.
    guard::run(kClass, "FreeCommand", [&] { chain.reset(); });
}
