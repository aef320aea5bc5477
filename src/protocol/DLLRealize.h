// TDLLObject: the instrument protocol of the 808/847 family.
#pragma once
#include "engine/DLLObj.h"

class TDLLObject : public TCustomDLLObject {
public:
    TDLLObject() = default;
    // The overridden Stop must still run while the object is destroyed.
    ~TDLLObject() override { Destroy(); }
};
