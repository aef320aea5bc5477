#include "protocol/ValueText.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace valuetext {
namespace {

constexpr size_t kAnalogWidth = 5;
constexpr int kSignificantDigits = 5;
constexpr double kExponentFrom = 99999.5;  // rounds to six integer digits

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Adds one unit in the last place of a string of decimal digits; true when it carried
// out of the first digit.
bool incrementDigits(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

std::string exponentText(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 4);
    std::string out(text, result.ptr);
    for (char& c : out)
        if (c == 'e') c = 'E';
    return out;
}

// The data of a reply made ready for the number search, and where the search starts.
struct NumberScan {
    std::string data;
    size_t start;
};

NumberScan scanNumber(std::string_view text)
{
    std::string data(text);
    // A line end the instrument sent with the data is not part of the number.
    if (data.find('\r') != std::string::npos) data.erase(data.size() - std::min<size_t>(2, data.size()));
    size_t start = data.find_first_of("0123456789+-");
    if (start == std::string::npos) start = data.size();
    if (data.size() == 5) {
        bool negative = false;
        for (size_t i = 1; i < data.size(); ++i) {
            if (data[i] == '-' && data[i - 1] != ' ') {
                data[i] = '.';
                negative = true;
            }
        }
        // The start stays where it was found, now on the inserted sign when it was 0.
        if (negative) data.insert(data.begin(), '-');
    }
    return {std::move(data), start};
}

std::string numberFrom(const std::string& data, size_t start)
{
    if (start >= data.size()) return {};
    const size_t end = data.find_first_of("+-", start + 1);
    return data.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::string analogText(double value)
{
    if (!std::isfinite(value)) throw std::invalid_argument("value is not a number");
    const double magnitude = std::fabs(value);
    if (magnitude >= kExponentFrom) return exponentText(value);

    // The shortest decimal text that reads back as the value, rounded as written.
    // (The tiniest doubles take some 330 characters in fixed notation.)
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed);
    if (result.ec != std::errc()) throw std::invalid_argument("value has no fixed-point text");
    const std::string shortest(buffer, result.ptr);
    const size_t point = shortest.find('.');
    std::string whole = shortest.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : shortest.substr(point + 1);

    // One decimal while it fits in five significant digits, else none (printed as .0).
    const bool keepDecimal = static_cast<int>(whole.size()) < kSignificantDigits || whole == "0";
    std::string kept = whole + (keepDecimal ? fraction.substr(0, 1) : std::string());
    if (keepDecimal && fraction.empty()) kept += '0';
    const size_t cut = keepDecimal ? 1 : 0;
    if (fraction.size() > cut && fraction[cut] >= '5' && incrementDigits(kept)) kept.insert(kept.begin(), '1');
    if (keepDecimal) {
        whole = kept.substr(0, kept.size() - 1);
        kept = whole + "." + kept.back();
    } else {
        kept += ".0";
    }
    const bool zero = kept.find_first_not_of("0.") == std::string::npos;
    std::string text = (value < 0 && !zero ? "-" : "") + kept;
    if (text.size() < kAnalogWidth) text.insert(0, kAnalogWidth - text.size(), ' ');
    return text;
}

std::string paddedInteger(int64_t value, int width, bool hex)
{
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, magnitude, hex ? 16 : 10);
    std::string text(digits, result.ptr);
    if (hex)
        for (char& c : text)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (width > 0 && text.size() < static_cast<size_t>(width))
        text.insert(0, static_cast<size_t>(width) - text.size(), '0');
    return negative ? "-" + text : text;
}

std::string GetNumberStr(std::string_view data, int index)
{
    if (index != 0) return {};
    const NumberScan scan = scanNumber(data);
    return numberFrom(scan.data, scan.start);
}

std::string hexNumberText(std::string_view data)
{
    const NumberScan scan = scanNumber(data);
    const size_t marker = scan.data.find('>');
    if (marker == std::string::npos) return {};
    return numberFrom(scan.data, marker + 1);
}

std::optional<double> parseDecimal(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const size_t numberStart = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    const size_t mantissaStart = pos;
    size_t digits = 0;
    while (pos < text.size() && isDigit(text[pos])) ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) ++pos, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        size_t exponentDigits = 0;
        while (pos < text.size() && isDigit(text[pos])) ++pos, ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (pos != text.size()) return std::nullopt;

    // from_chars takes no '+': parse the unsigned part and apply the sign.
    double number = 0;
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, number);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return text[numberStart] == '-' ? -number : number;
}

std::optional<uint32_t> parseHex(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    uint32_t number = 0;
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, number, 16);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return number;
}

}  // namespace valuetext
