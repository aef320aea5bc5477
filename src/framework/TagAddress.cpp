// Tag-address parsing and validation (placeholder until the address checks land).
#include "framework/DLLBase.h"

int32_t TBaseDLLObject::GetTagTypeIndex(const std::string&, const std::string&) { return -1; }
std::string TBaseDLLObject::GetTagTypeStr(const std::string&, const std::string&) { return {}; }
int32_t TBaseDLLObject::GetTagSlotNo(const std::string&, const std::string&, uint8_t) { return -1; }
int32_t TBaseDLLObject::GetTagChnNo(const std::string&, const std::string&, uint8_t) { return -1; }
int32_t TBaseDLLObject::GetTagBitNo(const std::string&, const std::string&, uint8_t) { return -1; }
void TBaseDLLObject::CheckAddrValid(std::unique_ptr<TDLLTag>& tag) { tag.reset(); }
bool TBaseDLLObject::CheckTagAddr(const OstrevanePDB*, std::string&) { return false; }
