// TBaseDLLObject: the generic driver framework of one host thread: lifecycle,
// settings, tag table, address checks, scheduling skeleton, logging.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "framework/DLLBaseDef.h"
#include "framework/DLLObjDef.h"
#include "framework/TagIndex.h"

class TBaseDLLObject {
public:
    TBaseDLLObject();
    virtual ~TBaseDLLObject();
    TBaseDLLObject(const TBaseDLLObject&) = delete;
    TBaseDLLObject& operator=(const TBaseDLLObject&) = delete;

    // Runs the destruction steps (stop if needed, rotate the log). The most derived
    // class calls it from its destructor so that the overridden Stop still runs.
    void Destroy();

    // --- virtual operations, in their fixed order ---
    virtual bool IniParm(const OstrevanePDB* pdb);
    virtual void Refresh();
    virtual void OptimizeCommParm();
    virtual uint32_t GetInterval();
    virtual int32_t GetTagSlotNo(const std::string& tagName, const std::string& address, uint8_t deviceType);
    virtual int32_t GetTagChnNo(const std::string& tagName, const std::string& address, uint8_t deviceType);
    virtual int32_t GetTagBitNo(const std::string& tagName, const std::string& address, uint8_t deviceType);
    virtual std::unique_ptr<TDLLTag> CreatInternalTag(const HostTagRec& hostTag);
    virtual std::string GetTagTypeStr(const std::string& tagName, const std::string& address);
    virtual void CheckAddrValid(std::unique_ptr<TDLLTag>& tag);
    // Brings every tag that addresses the same parameter as `tag` into the write command.
    virtual void SyncTagValue(TDLLTag& tag, TCommand& command);
    // A new command for the tag, which the caller takes over, or nullptr when none is
    // needed (the tag joined a command already in `list`, or cannot be polled).
    virtual std::unique_ptr<TCommand> CreatCommand(TDLLTag& tag, TCommandList& list, bool write);
    // False when the tag joined a command of `list` (reads) or cannot be served.
    virtual bool NeedCreatCommand(TCommandList& list, TDLLTag& tag, bool write);
    virtual std::string GetAskStr(TCommand& command, TDLLTag& tag, bool write);
    virtual std::string GetAnswerMainStr(TCommand& command, TDLLTag& tag, bool write);
    // Sends a command; the poll cycle's current exchange from then on.
    virtual void RealComm(TCommand* command);
    // Ends the finished exchange of the current command and picks the next command.
    virtual void FinalCommand();
    // Selects the next poll command as current command.
    virtual void CancelCommand();
    virtual void FreeCommand(std::unique_ptr<TCommand>& chain);
    virtual void RotateLogFile();
    virtual void WriteCommEvent(const std::string& text);
    virtual void WriteLogMsg(const std::string& text);
    virtual void SetLogEnabled(bool on);
    virtual void SetLinkOK(bool value);
    virtual bool IniDLLObj(const OstrevanePDB* pdb, const HostTagList& hostTags);
    // One pass of the poll cycle: 1 when a reply was accepted in this pass.
    virtual int32_t ReadExecute();
    virtual bool WriteExecute(uint32_t hostId, const TagValue& value);
    virtual void Stop();
    virtual bool CheckTagAddr(const OstrevanePDB* pdb, std::string& address);

    // --- non-virtual operations ---
    bool IniTagList(const HostTagList& hostTags);
    int32_t GetTagTypeIndex(const std::string& tagName, const std::string& address);
    int32_t GetTagDevID(const std::string& tagName, const std::string& address);
    bool OpenLogFile();

    // Hands StatusMsg over and clears it.
    std::string takeStatusMsg();
    // Logs a message as one line (time, "：", message, line end).
    void logLine(const std::string& message);

    // --- fields other parts of the driver rely on ---
    uint32_t ScanTime = 500;
    int32_t TagCount = 0;
    bool ParmLoaded = false;
    std::string StatusMsg;
    bool LinkOK = false;
    bool CommLineEnabled = true;
    uint32_t StartTick = 0;
    uint32_t StopTick = 0;
    // Times the tick count came round past StartTick (every 2^32 ms, about 49.7 days):
    // a plant runs longer than StopTick - StartTick can tell.
    uint32_t RunTimeLaps = 0;
    uint32_t RunTimeSinceStart = 0;  // StartTick to the last pass, ms
    std::array<uint8_t, 100> DevLinkState{};
    std::array<int32_t, 100> DevFailCount{};
    // Failed exchanges in a row since a device last answered, counted from the start
    // too (DevFailCount stays -1 for a device that never answered).
    std::array<int32_t, 100> DevSilentCount{};
    // A device found silent (DevSilentCount reached the fault count) that has several
    // poll commands is backed off: the poll-list position of the one command that still
    // probes it, on the slowed schedule of a failing command, while its other commands
    // are passed over; -1 while the device is polled normally. Its first accepted
    // reply or acknowledge ends the back-off.
    std::array<int32_t, 100> DevProbe{};
    // Poll-list positions of the commands of a device that has just answered again,
    // polled one after another before the list goes on, so that all its values are
    // fresh at once.
    std::vector<int32_t> ReturningCommands;
    std::array<uint8_t, 100> DevEnabled{};
    uint8_t LinkState = 0;
    CommStatistics Statistics;
    std::string DevMsg;
    bool LogEnabled = true;
    bool HasLogTag = false;
    bool Running = false;
    bool Stopped = false;
    bool LogReady = false;
    int32_t WriteLogBudget = 1000;
    TCommandList PollList;
    std::vector<std::unique_ptr<TDLLTag>> TagTable;
    TagIndexArray TagIndex;
    OstrevanePDB PDB{};
    int32_t MinUnitNo = 0;
    uintptr_t HostEvent = 0;
    int32_t PollIndex = 0;        // position in the poll list of the next poll command
    int32_t WrapIndex = 0;        // the poll command with the shortest period
    uint32_t CycleStartTick = 0;  // tick count when the current poll cycle began
    TCommand* CurrentCommand = nullptr;
    TCommand* CurrentChain = nullptr;
    // A write chain taken from the queue is owned here while it is the current chain
    // (poll commands stay owned by the poll list).
    std::unique_ptr<TCommand> WriteChain;
    TCommandQueue WriteQueue;
    // Writes taken from the queue since the last poll command went out.
    int32_t WritesSincePoll = 0;
    uint32_t SendTick = 0;  // tick count when the current command was sent
    int32_t Elapsed = 0;    // ms since SendTick while waiting; 0 after an exchange
    bool ExchangeFinished = false;
    bool FinishEnabled = false;  // FinalCommand runs only while set
    // The current exchange put a request on the line: bytes in the receive buffer can
    // only be its reply. A command that is not sent (line or device switched off) must
    // not take the previous exchange's reply, still in the buffer, for its own.
    bool ReplyExpected = false;
    // Table positions of the system tags, whose values follow the link after every exchange.
    std::vector<int32_t> SystemTagPositions;
    bool PortCreated = false;
    double TotalFailures = 0;

    // A host that writes faster than the line carries must neither grow the driver
    // without bound nor stop polling for good:
    // - a whole-value (analog) write replaces a whole-value write of the same
    //   parameter that still waits in the queue, and goes to the tail: the instrument
    //   gets the value the host asked for last, in the order of the latest calls.
    //   Bit writes (switch and text tags) are never merged, so that a pulse (bit on,
    //   then off) still reaches the instrument; each starts from the word of the
    //   write queued before it;
    // - beyond kWriteQueueLimit waiting writes a new one is refused with a message
    //   and a false result;
    // - after kWritesBetweenPolls writes in a row the next poll command goes out
    //   before the queue is served again.
    static constexpr size_t kWriteQueueLimit = 1000;
    static constexpr int32_t kWritesBetweenPolls = 10;

protected:
    // Makes the oldest waiting write the current command and chain.
    void takeQueuedWrite();
    // True when the queue should give the next command rather than the poll list.
    bool writeDue() const;
    // Notes where the system tags are; run whenever the tag table has been built anew.
    void indexSystemTags();
    // Device number with communication switched on (numbers without an entry count as on).
    bool deviceEnabled(int32_t deviceNo) const;
    // Counts a lap of the tick count since StartTick; every pass calls it.
    void noteRunTime();
    // ms from StartTick to StopTick, laps included.
    uint64_t runTime() const;
    // A driver that polls for days moves its log aside when the date changes, as a new
    // driver object would; looked at once a minute.
    void rotateLogOnNewDay();
    void writeStartBanner();
    void writeStatisticsHead();
    void writeStatisticsTail();
    // A device that stopped answering, or a broken line: the data tags concerned keep
    // their values with bad quality until a reply makes them good again.
    void markSilentTagsBad(bool brokenLineNow, int32_t deviceNo);
    // Backs a silent device off, unless it has a single poll command.
    void backOffDevice(int32_t deviceNo, const TCommand& failed);
    // Ends a device's back-off: its poll commands other than the one that answered go first.
    void resumeDevice(int32_t deviceNo, const TCommand& answered);
    // A poll command of a backed-off device other than its probe (and the list's head).
    bool passedOver(const TCommand& command, int32_t position) const;
    bool backedOff(int32_t deviceNo) const;

private:
    bool destroyed_ = false;
    int64_t logDay_ = 0;  // the day (days since 1970) of the last rotation
    uint32_t logDayCheckTick_ = 0;
};
