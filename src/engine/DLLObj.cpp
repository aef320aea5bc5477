#include "engine/DLLObj.h"

#include <algorithm>

#include "definitions/DLLDef.h"
#include "engine/EngineTexts.h"
#include "framework/Guard.h"
#include "framework/PDB.h"

namespace {
constexpr std::string_view kClass = "TCustomDLLObject";
}

TCustomDLLObject::TCustomDLLObject()
{
    // Unlike the base object, the serial engine starts with its log switched off.
    LogEnabled = false;
}

bool TCustomDLLObject::IniParm(const OstrevanePDB* pdb)
{
    TBaseDLLObject::IniParm(pdb);
    return guard::run(kClass, "IniParm", false, [&] {
        if (!pdb) return false;
        pdb::CopyPDB(*pdb, PDB);
        if (!PortCreated) {
            Comm = std::make_unique<TCommClass>();
            // A port's failures and its return reach the engineer's log (with error
            // output on) and the host's status text, once per change.
            Comm->setErrorSink([this](const std::string& text) {
                if (PDB.ErrorOutput) logLine(text);
                WriteCommEvent(text);
            });
            PortCreated = true;
        }
        // A port released by Stop is never used again.
        if (!Comm) return false;
        std::string message;
        const bool opened = Comm->OpenComm(PDB, def::CommTextMode, message);
        WriteCommEvent(message);
        if (PDB.DebugSwitch) logLine(StatusMsg);
        return opened;
    });
}

uint32_t TCustomDLLObject::GetInterval()
{
    constexpr uint32_t kPollScanTime = 10;  // ms
    guard::run(kClass, "GetInterval", [&] {
        TBaseDLLObject::GetInterval();
        size_t mostTags = 0;
        for (const auto& command : PollList) mostTags = std::max(mostTags, command->tagIndexes.size());
        logLine(texts::engine::MostTagsInCommand + std::to_string(mostTags) + texts::engine::TagsUnit);
        WriteLogMsg(logfile::line(texts::engine::CommandsTotal + std::to_string(PollList.size()) +
                                  texts::engine::CommandsUnit) +
                    "\r\n");
    });
    return kPollScanTime;
}

void TCustomDLLObject::Stop()
{
    TBaseDLLObject::Stop();
    guard::run(kClass, "Stop", [&] {
        if (PortCreated && Comm) Comm.reset();
    });
}
