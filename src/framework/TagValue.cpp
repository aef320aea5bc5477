#include "framework/TagValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "framework/GbkText.h"

namespace tagvalue {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<double> parseNumber(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

std::optional<bool> parseBoolean(std::string_view text)
{
    const std::string upper = gbk::upperAscii(trimmed(text));
    if (upper == "TRUE") return true;
    if (upper == "FALSE") return false;
    if (const auto number = parseNumber(text)) return *number != 0;
    return std::nullopt;
}

}  // namespace

Kind kindOf(uint8_t valueType)
{
    if (valueType == OSTREVANE_VALUE_BOOLEAN) return Kind::Boolean;
    if (valueType == OSTREVANE_VALUE_TEXT) return Kind::Text;
    return Kind::Number;
}

std::string numberText(double number)
{
    if (number == 0) return "0";  // also turns -0 into 0
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", number);
    return text;
}

TagValue convert(const TagValue& value, uint8_t valueType)
{
    if (std::holds_alternative<std::monostate>(value)) return value;
    switch (kindOf(valueType)) {
    case Kind::Number:
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (const auto number = parseNumber(*text)) return *number;
            return std::monostate{};
        }
        return asNumber(value);
    case Kind::Boolean:
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (const auto flag = parseBoolean(*text)) return *flag;
            return std::monostate{};
        }
        return asBoolean(value);
    case Kind::Text: return asText(value);
    }
    return std::monostate{};
}

double asNumber(const TagValue& value)
{
    if (const auto* number = std::get_if<double>(&value)) return *number;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? 1.0 : 0.0;
    if (const auto* text = std::get_if<std::string>(&value)) return parseNumber(*text).value_or(0.0);
    return 0.0;
}

bool asBoolean(const TagValue& value)
{
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* number = std::get_if<double>(&value)) return *number != 0;
    if (const auto* text = std::get_if<std::string>(&value)) return parseBoolean(*text).value_or(false);
    return false;
}

std::string asText(const TagValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<double>(&value)) return numberText(*number);
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "1" : "0";
    return {};
}

bool same(const TagValue& a, const TagValue& b)
{
    if (a.index() != b.index()) return false;
    if (const auto* x = std::get_if<double>(&a)) {
        const double y = std::get<double>(b);
        return *x == y || (std::isnan(*x) && std::isnan(y));
    }
    return a == b;
}

}  // namespace tagvalue
