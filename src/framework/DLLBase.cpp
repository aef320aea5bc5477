#include "framework/DLLBase.h"

#include <cstdio>

#include "definitions/DLLDef.h"
#include "framework/DLLLog.h"
#include "framework/FrameworkTexts.h"
#include "framework/Guard.h"
#include "framework/PDB.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "sysinfo/system_info.h"
#include "sysinfo/version_info.h"

namespace {
constexpr std::string_view kClass = "TBaseDLLObject";
constexpr uint32_t kLogDayCheckInterval = 60000;  // ms

int64_t today()
{
    const platform::LocalDateTime now = platform::clock().localNow();
    return platform::daysFromCivil(now.year, now.month, now.day);
}
}  // namespace

TBaseDLLObject::TBaseDLLObject()
{
    // The members start from their declared values; what remains is what a new
    // object does and the two tables whose start value is not zero.
    guard::run(kClass, "Create", [&] {
        RotateLogFile();
        logDay_ = today();
        logDayCheckTick_ = platform::clock().tickCount();
        writeStartBanner();
        DevFailCount.fill(-1);
        DevProbe.fill(-1);
        DevEnabled.fill(1);
    });
}

TBaseDLLObject::~TBaseDLLObject() { Destroy(); }

void TBaseDLLObject::Destroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    guard::run(kClass, "Destroy", [&] {
        LogEnabled = true;
        LinkOK = false;
        CommLineEnabled = true;
        if (!Stopped) Stop();
        RotateLogFile();
    });
}

void TBaseDLLObject::writeStartBanner()
{
    // A banner that cannot be written keeps traffic logging from being switched on.
    try {
        const auto& state = systeminfo::processVersions();
        bool complete = true;
        for (const std::string& message : logfile::bannerMessages(state.hostVersion, state.driverVersion)) {
            WriteLogMsg(logfile::line(message));
        }
        LogReady = complete;
    } catch (...) {
        LogReady = false;
    }
}

bool TBaseDLLObject::IniParm(const OstrevanePDB* pdb)
{
    return guard::run(kClass, "IniParm", false, [&] {
        if (!pdb) return false;
        pdb::CopyPDB(*pdb, PDB);
        MinUnitNo = 99;
        for (int n = 0; n < def::kDeviceCount; ++n) {
            const DeviceEntry& entry = PDB.Devices[n];
            if (entry.DeviceType == def::kNoDevice) continue;
            if (entry.DeviceNo < MinUnitNo) MinUnitNo = entry.DeviceNo;
            if (PDB.DebugSwitch) {
                char digits[16];
                std::snprintf(digits, sizeof digits, def::HexAddress ? "%.4X" : "%.4d", n);
                logLine(texts::framework::DeviceInProject + std::string(digits) + texts::framework::NumberSuffix +
                        systeminfo::DevTypeName() + texts::framework::FullWidthColon + pdb::typeName(entry));
            }
        }
        ParmLoaded = true;
        return true;
    });
}

bool TBaseDLLObject::IniDLLObj(const OstrevanePDB* pdb, const HostTagList& hostTags)
{
    return guard::run(kClass, "IniDLLObj", false, [&] {
        if (Running) Stop();
        if (!IniParm(pdb)) {
            if (!StatusMsg.empty()) logLine(StatusMsg);
            logLine(texts::framework::DeviceLoadFailed);
            return false;
        }
        return IniTagList(hostTags);
    });
}

void TBaseDLLObject::Stop()
{
    guard::run(kClass, "Stop", [&] {
        if (Running) {
            noteRunTime();
            StopTick = platform::clock().tickCount();
            WriteLogMsg("\r\n");
            for (auto& command : PollList) {
                if (command->chain) FreeCommand(command->chain);
                command->chain.reset();
            }
            writeStatisticsHead();
            CurrentCommand = nullptr;
            CurrentChain = nullptr;
            WriteChain.reset();
            ReplyExpected = false;
            PollList.clear();
            WriteQueue.clear();
            TagTable.clear();
            TagIndex.clear();
            TagCount = 0;
            writeStatisticsTail();
        }
        Stopped = true;
        Running = false;
    });
}

void TBaseDLLObject::noteRunTime()
{
    const uint32_t sinceStart = platform::clock().tickCount() - StartTick;
    if (sinceStart < RunTimeSinceStart && RunTimeLaps < UINT32_MAX) ++RunTimeLaps;
    RunTimeSinceStart = sinceStart;
}

uint64_t TBaseDLLObject::runTime() const
{
    return (static_cast<uint64_t>(RunTimeLaps) << 32) + static_cast<uint32_t>(StopTick - StartTick);
}

void TBaseDLLObject::rotateLogOnNewDay()
{
    const uint32_t now = platform::clock().tickCount();
    if (now - logDayCheckTick_ < kLogDayCheckInterval) return;
    logDayCheckTick_ = now;
    const int64_t day = today();
    if (day == logDay_) return;
    logDay_ = day;
    RotateLogFile();
}

void TBaseDLLObject::writeStatisticsHead()
{
    const uint64_t runTime = this->runTime();
    for (const auto& tag : TagTable) {
        if (!tag) continue;
        const float readPeriod = tag->reads ? static_cast<float>(runTime) / static_cast<float>(tag->reads) : 0.0f;
        const float readFailure =
            tag->reads ? static_cast<float>(tag->readFailures) * 100.0f / static_cast<float>(tag->reads) : 0.0f;
        WriteLogMsg(logfile::timePrefix() + texts::framework::ColonTag + tag->name + texts::framework::CommaAddress +
                    tag->address + texts::framework::CommaReadPeriod + logfile::formatRounded(readPeriod) +
                    texts::framework::CommaReadFailureRate + logfile::formatRounded(readFailure) + "%");
        if (tag->writeAllowed) {
            const float writeFailure =
                tag->writes ? static_cast<float>(tag->writeFailures) * 100.0f / static_cast<float>(tag->writes) : 0.0f;
            WriteLogMsg(texts::framework::CommaWriteCount + std::to_string(tag->writes) +
                        texts::framework::CommaWriteFailureRate + logfile::formatRounded(writeFailure) + "%\r\n");
        } else {
            WriteLogMsg("\r\n");
        }
    }
    for (const std::string& memory : logfile::memoryMessages(systeminfo::memoryStatus())) logLine(memory);
    WriteLogMsg("\r\n");
    logLine(texts::framework::RunTime + logfile::formatNumber(static_cast<double>(runTime)));
}

void TBaseDLLObject::writeStatisticsTail()
{
    const CommStatistics& s = Statistics;
    logLine(texts::framework::FastestCycle + logfile::formatNumber(s.fastestCycle));
    logLine(texts::framework::SlowestCycle + logfile::formatNumber(s.slowestCycle));
    logLine(texts::framework::AverageCycle + logfile::formatNumber(s.averageCycle));
    const float failureRatio =
        s.exchanges > 0 ? static_cast<float>(s.timeouts / static_cast<double>(s.exchanges)) : 1.0f;
    logLine(texts::framework::FailureRate + logfile::formatNumber(static_cast<double>(failureRatio) * 100.0) + "%");
    logLine(texts::framework::Exchanges + logfile::formatNumber(s.exchanges));
    logLine(texts::framework::Timeouts + logfile::formatNumber(s.timeouts));
    logLine(texts::framework::ConsecutiveTimeouts + logfile::formatNumber(s.consecutiveTimeouts));
    logLine(texts::framework::DriverLeaving);
    WriteLogMsg(std::string(60, '-'));
    WriteLogMsg("\r\n");
}

void TBaseDLLObject::RotateLogFile() { logfile::rotate(); }

void TBaseDLLObject::WriteCommEvent(const std::string& text)
{
    guard::run(kClass, "WriteCommEvent", [&] { StatusMsg = text; });
}

bool TBaseDLLObject::OpenLogFile()
{
    // The log is opened per text by the append itself; this tells whether its folder can be had.
    const std::string path = logfile::LogFileName();
    return !path.empty();
}

void TBaseDLLObject::WriteLogMsg(const std::string& text) { logfile::append(text); }

void TBaseDLLObject::SetLogEnabled(bool on) { LogEnabled = on && LogReady; }

void TBaseDLLObject::SetLinkOK(bool value) { LinkOK = value; }

std::string TBaseDLLObject::takeStatusMsg()
{
    std::string message = StatusMsg;
    WriteCommEvent("");
    return message;
}

void TBaseDLLObject::logLine(const std::string& message) { WriteLogMsg(logfile::line(message)); }
