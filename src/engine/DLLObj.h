// TCustomDLLObject: the serial engine: the port, poll list and reply handling.
#pragma once
#include <memory>

#include "framework/DLLBase.h"
#include "serial/DLLComm.h"

class TCustomDLLObject : public TBaseDLLObject {
public:
    TCustomDLLObject();

    bool IniParm(const OstrevanePDB* pdb) override;
    void Stop() override;

    TCommClass* port() { return Comm.get(); }

    std::unique_ptr<TCommClass> Comm;
};
