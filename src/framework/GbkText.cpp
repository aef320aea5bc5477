#include "framework/GbkText.h"

#include <cstring>
#include <limits>

namespace gbk {

namespace {
bool isLeadByte(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isTrailByte(uint8_t byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }
}  // namespace

size_t charLength(std::string_view text, size_t at)
{
    if (at + 1 < text.size() && isLeadByte(static_cast<uint8_t>(text[at])) &&
        isTrailByte(static_cast<uint8_t>(text[at + 1])))
        return 2;
    return 1;
}

std::string upperAscii(std::string_view text)
{
    std::string result(text);
    for (size_t at = 0; at < result.size();) {
        const size_t length = charLength(result, at);
        if (length == 1 && result[at] >= 'a' && result[at] <= 'z')
            result[at] = static_cast<char>(result[at] - 'a' + 'A');
        at += length;
    }
    return result;
}

size_t find(std::string_view text, std::string_view needle)
{
    if (needle.empty()) return 0;
    for (size_t at = 0; at < text.size(); at += charLength(text, at)) {
        if (text.compare(at, needle.size(), needle) == 0) return at;
    }
    return std::string_view::npos;
}

std::string_view prefixWithin(std::string_view text, size_t limit)
{
    size_t end = 0;
    while (end < text.size()) {
        const size_t length = charLength(text, end);
        if (end + length > limit) break;
        end += length;
    }
    return text.substr(0, end);
}

bool parseDecimal(std::string_view text, int32_t& value)
{
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size()) return false;
    // Accumulated as a negative number so that the smallest 32-bit value fits.
    int64_t magnitude = 0;
    constexpr int64_t limit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    if (!negative && magnitude == limit) return false;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

std::string boundedField(const char* field, size_t size)
{
    const void* end = std::memchr(field, 0, size);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : size;
    return std::string(field, length);
}

}  // namespace gbk
