#include "framework/HostVariant.h"

#include <cstring>
#include <vector>

#include "platform/text_codec.h"

namespace hostvariant {

namespace {

template <typename T>
T dataAs(const OstrevaneVariant& variant)
{
    T value;
    std::memcpy(&value, variant.Data.Bytes, sizeof value);
    return value;
}

// An OLE string: UTF-16 units up to the terminating zero. The length word in front
// of the text is not used, so a plain wide string serves as well.
std::string readText(const void* pointer)
{
    if (!pointer) return {};
    const auto* bytes = static_cast<const unsigned char*>(pointer);
    std::vector<char16_t> units;
    for (size_t i = 0; i < kMaxTextUnits; ++i) {
        char16_t unit;
        std::memcpy(&unit, bytes + 2 * i, sizeof unit);
        if (unit == 0) break;
        units.push_back(unit);
    }
    return platform::utf16ToGbk(units.data(), units.size());
}

}  // namespace

TagValue read(const OstrevaneVariant& variant)
{
    switch (variant.Kind) {
    case VT_I1: return static_cast<double>(dataAs<int8_t>(variant));
    case VT_UI1: return static_cast<double>(dataAs<uint8_t>(variant));
    case VT_I2: return static_cast<double>(dataAs<int16_t>(variant));
    case VT_UI2: return static_cast<double>(dataAs<uint16_t>(variant));
    case VT_I4:
    case VT_INT: return static_cast<double>(dataAs<int32_t>(variant));
    case VT_UI4:
    case VT_UINT: return static_cast<double>(dataAs<uint32_t>(variant));
    case VT_I8: return static_cast<double>(dataAs<int64_t>(variant));
    case VT_UI8: return static_cast<double>(dataAs<uint64_t>(variant));
    case VT_R4: return static_cast<double>(dataAs<float>(variant));
    case VT_R8:
    case VT_DATE: return dataAs<double>(variant);
    case VT_CY: return static_cast<double>(dataAs<int64_t>(variant)) / 10000.0;
    case VT_BOOL: return dataAs<int16_t>(variant) != 0;
    case VT_BSTR: return readText(dataAs<void*>(variant));
    default: return std::monostate{};
    }
}

}  // namespace hostvariant
