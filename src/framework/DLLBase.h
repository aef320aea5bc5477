// TBaseDLLObject: the generic driver framework of one host thread: lifecycle,
// settings, tag table, address checks, scheduling skeleton, logging.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "engine/DLLObjDef.h"
#include "framework/DLLBaseDef.h"

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
    virtual void SyncTagValue(TDLLTag& tag, const TagValue& value);
    virtual TCommand* CreatCommand(TDLLTag& tag, TCommandList& list, bool write);
    virtual bool NeedCreatCommand(TDLLTag& tag, TCommand& command);
    virtual std::string GetAskStr(TCommand& command);
    virtual std::string GetAnswerMainStr(TCommand& command);
    virtual void RealComm(TCommand* command);
    virtual void FinalCommand(TCommand* command);
    virtual void CancelCommand(TCommand* command);
    virtual void FreeCommand(std::unique_ptr<TCommand>& chain);
    virtual void RotateLogFile();
    virtual void WriteCommEvent(const std::string& text);
    virtual void WriteLogMsg(const std::string& text);
    virtual void SetLogEnabled(bool on);
    virtual void SetLinkOK(bool value);
    virtual bool IniDLLObj(const OstrevanePDB* pdb, const HostTagList& hostTags);
    virtual void ReadExecute();
    virtual bool WriteExecute(uint32_t hostId, const TagValue& value);
    virtual void Stop();
    virtual bool CheckTagAddr(const OstrevanePDB* pdb, std::string& address);

    // --- non-virtual operations ---
    bool IniTagList(const HostTagList& hostTags);
    int32_t GetTagTypeIndex(const std::string& tagName, const std::string& address);
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
    std::array<uint8_t, 100> DevLinkState{};
    std::array<int32_t, 100> DevFailCount{};
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
    std::vector<int32_t> TagIndex;
    OstrevanePDB PDB{};
    int32_t MinUnitNo = 0;
    uintptr_t HostEvent = 0;
    TCommand* CurrentCommand = nullptr;
    TCommand* CurrentChain = nullptr;
    TCommandList WriteQueue;
    bool PortCreated = false;
    double TotalFailures = 0;

protected:
    void writeStartBanner();
    void writeStatisticsHead();
    void writeStatisticsTail();

private:
    bool destroyed_ = false;
};
