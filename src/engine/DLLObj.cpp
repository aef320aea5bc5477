#include "engine/DLLObj.h"

#include "definitions/DLLDef.h"
#include "framework/Guard.h"
#include "framework/PDB.h"

namespace {
constexpr std::string_view kClass = "TCustomDLLObject";
}

TCustomDLLObject::TCustomDLLObject()
{
    guard::run(kClass, "Create", [&] {
        PortCreated = false;
        LogEnabled = false;
    });
}

bool TCustomDLLObject::IniParm(const OstrevanePDB* pdb)
{
    TBaseDLLObject::IniParm(pdb);
    return guard::run(kClass, "IniParm", false, [&] {
        if (!pdb) return false;
        pdb::CopyPDB(*pdb, PDB);
        if (!PortCreated) {
            Comm = std::make_unique<TCommClass>(true);
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

void TCustomDLLObject::Stop()
{
    TBaseDLLObject::Stop();
    guard::run(kClass, "Stop", [&] {
        if (PortCreated && Comm) Comm.reset();
    });
}
