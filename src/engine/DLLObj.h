// TCustomDLLObject: the serial engine: the port, the poll list and reply handling.
#pragma once
#include <memory>
#include <string>

#include "engine/CommandIndex.h"
#include "framework/DLLBase.h"
#include "framework/TableAccess.h"
#include "serial/DLLComm.h"

class TCustomDLLObject : public TBaseDLLObject {
public:
    TCustomDLLObject();

    bool IniParm(const OstrevanePDB* pdb) override;
    void OptimizeCommParm() override;
    uint32_t GetInterval() override;
    std::unique_ptr<TCommand> CreatCommand(TDLLTag& tag, TCommandList& list, bool write) override;
    bool NeedCreatCommand(TCommandList& list, TDLLTag& tag, bool write) override;
    std::string GetAnswerMainStr(TCommand& command, TDLLTag& tag, bool write) override;
    void RealComm(TCommand* command) override;
    void CancelCommand() override;
    int32_t ReadExecute() override;
    void Stop() override;

    // --- operations the serial engine adds, in their fixed order ---
    // The value text a frame carries for the tag.
    virtual std::string CreateValueStr(TDLLTag& tag, bool write);
    virtual int32_t GetCommandStartAddr(TCommand& command, TDLLTag& tag);
    virtual int32_t GetCommandEndAddr(TCommand& command, TDLLTag& tag);
    virtual int32_t GetCommandAddrLength(TCommand& command, TDLLTag& tag);
    // True when the reply is acceptable for the current command.
    virtual bool CheckResult(const std::string& reply);
    // The part of a reply that its block check covers.
    virtual std::string GetCrcSourceStr(const std::string& reply);
    // True when the reply holds `expected` where the part its block check covers begins.
    virtual bool CompareCRC(const std::string& reply, const std::string& expected);
    // The text followed by its block check.
    virtual std::string CheckCRC(const std::string& text);
    // The data part of a reply.
    virtual std::string GetEchoDataStr(const std::string& reply, TCommand& command);
    // The status part of a reply; raises the event texts that go with it.
    virtual std::string GetEchoStatusStr(const std::string& reply, TCommand& command);
    // Decodes an accepted reply into the command's tags; true when one took a value.
    virtual bool CommAnalyze(const std::string& reply, TCommand& command, TTagTable& tags);
    // Looks once at the port: true when a complete, correct reply has arrived.
    virtual bool GetResult();

    TCommClass* port() { return Comm.get(); }

    std::unique_ptr<TCommClass> Comm;

private:
    // Rebuilds DevMsg from the counters.
    void updateStatisticsLine(float failureRate);
    // The time-out end of an exchange (counters, events, log block).
    void endByTimeout(float failureRate);

    CommandIndex grouping_;
};
