// The poll cycle: one small step inside each of the host's read calls. An exchange is
// sent, looked at once per pass, and finished by an accepted reply or a time-out; the
// next command goes out in the same pass, so the line idles only between two calls.
#include <climits>
#include <cmath>
#include <string>

#include "definitions/DLLDef.h"
#include "engine/DLLObj.h"
#include "engine/EngineTexts.h"
#include "framework/DLLLog.h"
#include "framework/FrameworkTexts.h"
#include "framework/Guard.h"
#include "platform/clock.h"
#include "platform/sync.h"

namespace {

constexpr std::string_view kClass = "TCustomDLLObject";
constexpr double kSevereAfter = 10;  // consecutive time-outs before the host is alarmed
constexpr double kLogSwitchPeriod = 10000;
constexpr double kLogSwitchAt = 100;  // ...th time-out of each period switches logging on
constexpr float kReportedFailureRate = 0.05f;
constexpr size_t kStatisticsColumn = 32;  // bytes of each right-aligned text of the statistics line

// The exchange count is a 32-bit integer; a plant polling for years stops it at its top.
void countExchange(int32_t& exchanges)
{
    if (exchanges < INT32_MAX) ++exchanges;
}

// A tag's read and write counts stop at their top too: wrapped round to 0 they would
// show a failure rate above 100 % in the statistics block.
void countTag(uint32_t& count)
{
    if (count < UINT32_MAX) ++count;
}

std::string rightAligned(const std::string& text)
{
    std::string column = text;
    if (column.size() < kStatisticsColumn) column.insert(0, kStatisticsColumn - column.size(), ' ');
    return column + " ";
}

}  // namespace

void TCustomDLLObject::RealComm(TCommand* command)
{
    guard::run(kClass, "RealComm", [&] {
        ReplyExpected = false;
        TBaseDLLObject::RealComm(command);
        if (!command || CurrentCommand != command || !CommLineEnabled || !deviceEnabled(command->deviceNo)) return;
        if (command->request.empty() || !Comm) return;
        Comm->WriteText(command->request);
        ReplyExpected = true;
    });
}

void TCustomDLLObject::CancelCommand()
{
    guard::run(kClass, "CancelCommand", [&] {
        // Commands of switched-off devices are passed over, except the first of the list,
        // which then ends by time-out, so that a cycle with every device off still turns.
        do {
            TBaseDLLObject::CancelCommand();
        } while (CurrentCommand && PollIndex != 0 && !deviceEnabled(CurrentCommand->deviceNo));
    });
}

int32_t TCustomDLLObject::ReadExecute()
{
    return guard::run(kClass, "ReadExecute", int32_t{0}, [&]() -> int32_t {
        if (!PortCreated) IniParm(&PDB);
        if (!Running) return 0;
        noteRunTime();
        rotateLogOnNewDay();
        if (!CurrentCommand) {
            // A write that arrives while nothing is polled waits for the next pass.
            if (!WriteQueue.empty()) {
                takeQueuedWrite();
                FinishEnabled = false;
            } else {
                FinishEnabled = true;
            }
            return 0;
        }

        CommStatistics& s = Statistics;
        const float failureRate = s.exchanges != 0 ? static_cast<float>(s.timeouts / s.exchanges) : 1.0f;
        if (!Stopped) ExchangeFinished = GetResult();
        const bool accepted = ExchangeFinished;
        TCommand& command = *CurrentCommand;
        if (accepted) {
            if (!command.chain) {
                countExchange(s.exchanges);
                for (const int32_t position : command.tagIndexes) {
                    if (TDLLTag* tag = tagAt(TagTable, position)) countTag(command.write ? tag->writes : tag->reads);
                }
            }
            s.consecutiveTimeouts = 0;
            SetLinkOK(true);
            Elapsed = 0;
            command.replyQuality = (1.0f + command.replyQuality) / 2.0f;
            if (PDB.TraceOutput) {
                logLine((command.write ? texts::engine::WriteCommandSent : texts::engine::ReadCommandSent) +
                        command.request);
                logLine(texts::engine::ReplyReceived + command.reply);
                logLine(texts::engine::ReplyPassedCheck);
            }
        } else {
            Elapsed = static_cast<int32_t>(platform::clock().tickCount() - SendTick);
        }

        if (Elapsed > def::ReplyTimeout) endByTimeout(failureRate);

        if (FinishEnabled) FinalCommand();
        FinishEnabled = true;
        if (ExchangeFinished) {
            if (CurrentCommand) CurrentCommand->reply.clear();
            RealComm(CurrentCommand);
            updateStatisticsLine(failureRate);
        }
        return accepted ? 1 : 0;
    });
}

void TCustomDLLObject::endByTimeout(float failureRate)
{
    CommStatistics& s = Statistics;
    TCommand& command = *CurrentCommand;
    const bool logWasEnabled = LogEnabled;
    ExchangeFinished = true;
    countExchange(s.exchanges);
    ++s.timeouts;
    for (const int32_t position : command.tagIndexes) {
        TDLLTag* tag = tagAt(TagTable, position);
        if (!tag) continue;
        countTag(command.write ? tag->writes : tag->reads);
        countTag(command.write ? tag->writeFailures : tag->readFailures);
    }
    SetLinkOK(false);
    command.replyQuality = command.replyQuality / 2.0f;
    ++s.consecutiveTimeouts;
    WriteCommEvent(texts::engine::ReplyTimeout);
    if (s.consecutiveTimeouts > kSevereAfter) {
        WriteCommEvent(texts::engine::SevereFault);
        if (HostEvent) platform::signalHostEvent(HostEvent);
        // Long trouble switches the traffic log on so the engineer finds the story in it.
        if (std::fmod(s.consecutiveTimeouts, kLogSwitchPeriod) == kLogSwitchAt) LogEnabled = true;
    }
    if (!PDB.ErrorOutput) return;
    WriteLogMsg("\r\n" + logfile::line(texts::engine::TimeoutOperation + command.request));
    logLine(texts::engine::TimeoutExpectedReply + command.answerMain);
    if (command.reply.empty()) {
        logLine(texts::engine::NoReply);
    } else {
        logLine(texts::engine::ReplyReceived + command.reply);
        logLine(texts::engine::ReplyFailedCheck);
    }
    if (failureRate > kReportedFailureRate) {
        logLine(texts::engine::FailureRateAbove5 + logfile::formatNumber(static_cast<double>(failureRate) * 100.0) +
                "%");
        logLine(texts::framework::Exchanges + logfile::formatNumber(static_cast<double>(s.exchanges) + 1));
        logLine(texts::framework::Timeouts + logfile::formatNumber(s.timeouts));
        logLine(texts::framework::ConsecutiveTimeouts + logfile::formatNumber(s.consecutiveTimeouts));
    }
    LogEnabled = logWasEnabled;
}

void TCustomDLLObject::updateStatisticsLine(float failureRate)
{
    const CommStatistics& s = Statistics;
    const std::string texts[] = {
        texts::engine::StatsFailureRate + logfile::formatNumber(static_cast<double>(failureRate) * 100.0) + "%",
        texts::engine::StatsCommandsSent + logfile::formatNumber(s.exchanges),
        texts::engine::StatsGoodReplies + logfile::formatNumber(s.goodReplies),
        texts::engine::StatsTotalFailures + logfile::formatNumber(TotalFailures),
        texts::engine::StatsTimeouts + logfile::formatNumber(s.timeouts),
        texts::engine::StatsCheckErrors + logfile::formatNumber(s.checkErrors),
        texts::engine::StatsShortReplies + logfile::formatNumber(s.shortReplies),
        texts::engine::StatsGarbledReplies + logfile::formatNumber(s.garbledReplies),
        texts::engine::StatsAbnormalReplies + logfile::formatNumber(s.abnormalReplies),
        texts::engine::StatsConsecutiveTimeouts + logfile::formatNumber(s.consecutiveTimeouts),
        texts::engine::StatsLastReset + logfile::formatNumber(s.lastResetTime),
    };
    std::string line = logfile::timePrefix();
    for (const std::string& text : texts) line += rightAligned(text);
    DevMsg = line + "\r\n";
}
