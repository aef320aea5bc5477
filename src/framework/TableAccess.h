// Bounds-checked access to the tag table and the per-device state: positions and
// device numbers come from commands and addresses and are checked at every use.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "definitions/DLLDef.h"
#include "framework/DLLBaseDef.h"

using TTagTable = std::vector<std::unique_ptr<TDLLTag>>;

// The tag at a table position, or nullptr when the position names none.
inline TDLLTag* tagAt(const TTagTable& table, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= table.size()) return nullptr;
    return table[static_cast<size_t>(position)].get();
}

// A device number with an entry in the device table and the per-device state.
constexpr bool isDeviceNo(int32_t deviceNo) { return deviceNo >= 0 && deviceNo < def::kDeviceCount; }
