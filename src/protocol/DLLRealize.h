// TDLLObject: the instrument protocol of the 808/847 family. Every frame piece comes
// from the frame tables by tag-type index.
#pragma once
#include <string>

#include "engine/DLLObj.h"

class TDLLObject : public TCustomDLLObject {
public:
    TDLLObject() = default;
    // The overridden Stop must still run while the object is destroyed.
    ~TDLLObject() override { Destroy(); }

    std::string GetAskStr(TCommand& command, TDLLTag& tag, bool write) override;
    std::string CreateValueStr(TDLLTag& tag, bool write) override;
    bool CheckResult(const std::string& reply) override;
    std::string GetCrcSourceStr(const std::string& reply) override;
    std::string CheckCRC(const std::string& text) override;
    std::string GetEchoDataStr(const std::string& reply, TCommand& command) override;
    bool CommAnalyze(const std::string& reply, TCommand& command, TTagTable& tags) override;
};
