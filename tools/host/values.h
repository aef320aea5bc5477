// Tag values as the host holds them: a number, a Boolean or a text (UTF-8 here; the
// driver gets GBK).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace host {

enum class ValueType : uint8_t { Number = 0, Boolean = 1, Text = 2 };

using Value = std::variant<double, bool, std::string>;

// "number", "boolean", "text" (also "0", "1", "2", "bool", "string"); empty when unknown.
std::optional<ValueType> parseValueType(const std::string& text);
std::string valueTypeName(ValueType type);

// A value of the given type from its written form; empty with `problem` when it does not fit.
std::optional<Value> parseValue(ValueType type, const std::string& text, std::string& problem);

// The value as shown: numbers in the shortest form with up to 15 significant digits.
std::string formatValue(const Value& value);

// UTF-16 units of a UTF-8 text; empty result and false when the text is no UTF-8.
bool utf8ToUtf16(const std::string& utf8, std::vector<char16_t>& units);

// The time of day of an OLE date (days since 1899-12-30) as HH:MM:SS.mmm.
std::string formatOleTime(double oleDate);

// Quality words: "good", "bad", or the number.
std::string qualityText(uint32_t quality);

}  // namespace host
