// The tag table (placeholder until the tag table lands).
#include "framework/DLLBase.h"

std::unique_ptr<TDLLTag> TBaseDLLObject::CreatInternalTag(const HostTagRec&) { return nullptr; }

bool TBaseDLLObject::IniTagList(const HostTagList&)
{
    TagTable.clear();
    TagCount = 0;
    Running = true;
    Stop();
    return true;
}

void TBaseDLLObject::Refresh() {}
void TBaseDLLObject::SyncTagValue(TDLLTag&, const TagValue&) {}
bool TBaseDLLObject::WriteExecute(uint32_t, const TagValue&) { return false; }
