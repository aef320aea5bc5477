// Conversions of tag values between the three value types of the host:
// 0 number, 1 Boolean, 2 text. A value type the host does not define is carried
// as a number.
#pragma once
#include <cstdint>
#include <string>

#include "framework/DLLBaseDef.h"

namespace tagvalue {

enum class Kind { Number, Boolean, Text };
Kind kindOf(uint8_t valueType);

// The value as the kind of `valueType`; empty stays empty, and so does a value
// that has no meaning in that kind (a text that is not a number, say).
TagValue convert(const TagValue& value, uint8_t valueType);

// Readings for the host records; an empty value reads as 0, false, "".
double asNumber(const TagValue& value);
bool asBoolean(const TagValue& value);
std::string asText(const TagValue& value);

// The comparison behind change detection: numbers and Booleans by value, texts by
// content; two NaNs count as the same so that they are not reported on every call.
bool same(const TagValue& a, const TagValue& b);

// Shortest general decimal form, at most 15 significant digits.
std::string numberText(double number);

}  // namespace tagvalue
