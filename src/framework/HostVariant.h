// Initial values arrive from the host as OLE Automation VARIANTs (16 bytes: the
// kind in the first two bytes, the data from byte 8).
#pragma once
#include <cstdint>

#include "Ostrevane800.h"
#include "framework/DLLBaseDef.h"

namespace hostvariant {

// The kinds a host sends for an initial value.
enum : uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
};

// Longest OLE string taken over, in UTF-16 units.
constexpr size_t kMaxTextUnits = 65536;

// The value a VARIANT holds: empty for VT_EMPTY, VT_NULL and every kind not
// listed above (references, arrays, objects), whose data is
// never followed; a number for the numeric kinds (currency scaled by 1/10000,
// dates as OLE date numbers); a Boolean; a text converted to GBK (a null string
// pointer is the empty text).
TagValue read(const OstrevaneVariant& variant);

}  // namespace hostvariant
