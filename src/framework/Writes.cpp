// Host writes: checked and queued as write commands for the poll cycle.
#include "framework/DLLBase.h"

// Until write commands exist no write can be carried out.
bool TBaseDLLObject::WriteExecute(uint32_t, const TagValue&) { return false; }
