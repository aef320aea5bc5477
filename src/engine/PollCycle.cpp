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

// One column of the statistics line: label and number right-aligned, then a space.
// Appended in place: the line is rebuilt after every exchange.
void appendColumn(std::string& line, std::string_view label, double number, std::string_view unit = {})
{
    const std::string digits = logfile::formatNumber(number);
    const size_t width = label.size() + digits.size() + unit.size();
    if (width < kStatisticsColumn) line.append(kStatisticsColumn - width, ' ');
    line.append(label).append(digits).append(unit).push_back(' ');
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
    // Built in the old line's buffer, which is already big enough after the first exchange.
    std::string& line = DevMsg;
    line = logfile::timePrefix();
    line.reserve(line.size() + 11 * (kStatisticsColumn + 1) + 2);
    appendColumn(line, texts::engine::StatsFailureRate, static_cast<double>(failureRate) * 100.0, "%");
    appendColumn(line, texts::engine::StatsCommandsSent, s.exchanges);
    appendColumn(line, texts::engine::StatsGoodReplies, s.goodReplies);
    appendColumn(line, texts::engine::StatsTotalFailures, TotalFailures);
    appendColumn(line, texts::engine::StatsTimeouts, s.timeouts);
    appendColumn(line, texts::engine::StatsCheckErrors, s.checkErrors);
    appendColumn(line, texts::engine::StatsShortReplies, s.shortReplies);
    appendColumn(line, texts::engine::StatsGarbledReplies, s.garbledReplies);
    appendColumn(line, texts::engine::StatsAbnormalReplies, s.abnormalReplies);
    appendColumn(line, texts::engine::StatsConsecutiveTimeouts, s.consecutiveTimeouts);
    appendColumn(line, texts::engine::StatsLastReset, s.lastResetTime);
    line += "\r\n";
}
