#include "host/values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "Ostrevane800.h"

namespace host {

namespace {

std::string lower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

}  // namespace

std::optional<ValueType> parseValueType(const std::string& text)
{
    const std::string word = lower(text);
    if (word == "number" || word == "0" || word == "float" || word == "real") return ValueType::Number;
    if (word == "boolean" || word == "1" || word == "bool") return ValueType::Boolean;
    if (word == "text" || word == "2" || word == "string") return ValueType::Text;
    return std::nullopt;
}

std::string valueTypeName(ValueType type)
{
    switch (type) {
    case ValueType::Number: return "number";
    case ValueType::Boolean: return "boolean";
    case ValueType::Text: return "text";
    }
    return "?";
}

std::optional<Value> parseValue(ValueType type, const std::string& text, std::string& problem)
{
    problem.clear();
    switch (type) {
    case ValueType::Number: {
        std::string_view digits = text;
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        double number = 0;
        const char* end = digits.data() + digits.size();
        const auto [stop, failure] = std::from_chars(digits.data(), end, number);
        if (digits.empty() || failure != std::errc() || stop != end || !std::isfinite(number)) {
            problem = "'" + text + "' is no number";
            return std::nullopt;
        }
        return number;
    }
    case ValueType::Boolean: {
        const std::string word = lower(text);
        if (word == "true" || word == "1" || word == "on" || word == "yes") return true;
        if (word == "false" || word == "0" || word == "off" || word == "no") return false;
        problem = "'" + text + "' is no Boolean (true or false)";
        return std::nullopt;
    }
    case ValueType::Text: return text;
    }
    problem = "unknown value type";
    return std::nullopt;
}

std::string formatValue(const Value& value)
{
    if (const double* number = std::get_if<double>(&value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.15g", *number);
        return text;
    }
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
    return std::get<std::string>(value);
}

bool utf8ToUtf16(const std::string& utf8, std::vector<char16_t>& units)
{
    units.clear();
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code = 0;
        size_t length = 0;
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            length = 4;
        } else {
            units.clear();
            return false;
        }
        if (i + length > utf8.size()) {
            units.clear();
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                units.clear();
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are no UTF-8.
        static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            units.clear();
            return false;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return true;
}

std::string formatOleTime(double oleDate)
{
    double day = 0;
    const double fraction = std::fabs(std::modf(oleDate, &day));
    auto milliseconds = static_cast<long long>(std::llround(fraction * 86400000.0));
    if (milliseconds >= 86400000LL) milliseconds = 86399999LL;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", milliseconds / 3600000, milliseconds / 60000 % 60,
                  milliseconds / 1000 % 60, milliseconds % 1000);
    return text;
}

std::string qualityText(uint32_t quality)
{
    if (quality == OSTREVANE_QUALITY_GOOD) return "good";
    if (quality == OSTREVANE_QUALITY_BAD) return "bad";
    return std::to_string(quality);
}

}  // namespace host
