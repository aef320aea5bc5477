// System tags: switches and state displays of the driver itself that live in the
// tag table beside the instrument parameters and are never polled.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/DLLBaseDef.h"

class TBaseDLLObject;

namespace systemtags {

enum class Kind { EnLog, CommLink, EnCommLink, DeviceLink, EnDeviceLink };

struct Keyword {
    Kind kind;
    std::string_view text;
};
// In the order in which a new tag's address is compared with them.
inline constexpr std::array<Keyword, 5> kKeywords{{
    {Kind::EnLog, "ENLOG"},
    {Kind::CommLink, "COMMLINK"},
    {Kind::EnCommLink, "ENCOMMLINK"},
    {Kind::DeviceLink, "DEVICELINK"},
    {Kind::EnDeviceLink, "ENDEVICELINK"},
}};

// The text of a link state code 0..5; empty for any other code.
std::string LinkStateText(uint8_t code, bool commLineEnabled);

// For a tag being added to the table: applies the effect and the value of every
// keyword its upper-case address begins with and marks it internal. True when the
// tag is a system tag.
bool recognise(TBaseDLLObject& object, TDLLTag& tag, const std::string& upperAddress);

// The kind of system tag the driver keeps up to date after the table is built:
// a type string equal to ENLOG, COMMLINK or ENCOMMLINK, or beginning with DEVICELINK.
std::optional<Kind> refreshedKind(const std::string& typeString);

// The value a system tag of `kind` has in the object's present state, in the kind
// of the tag's value type; empty for ENDEVICELINK, which has no state value.
TagValue stateValue(const TBaseDLLObject& object, Kind kind, const TDLLTag& tag);

}  // namespace systemtags
