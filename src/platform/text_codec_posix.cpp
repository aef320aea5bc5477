#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <vector>

#include "platform/text_codec.h"

namespace platform {

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One character: a unit, or a surrogate pair.
size_t characterUnits(const char16_t* units, size_t left)
{
    return left >= 2 && isHighSurrogate(units[0]) && isLowSurrogate(units[1]) ? 2 : 1;
}

iconv_t openConverter()
{
    // Code page 936 proper (with the euro sign at 0x80); plain GBK where it is missing.
    iconv_t converter = iconv_open("CP936", "UTF-16LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) converter = iconv_open("GBK", "UTF-16LE");
    return converter;
}

}  // namespace

std::string utf16ToGbk(const char16_t* units, size_t count)
{
    std::string result;
    if (!units || count == 0) return result;
    iconv_t converter = openConverter();
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (size_t i = 0; i < count; ++i) result += units[i] < 0x80 ? static_cast<char>(units[i]) : '?';
        return result;
    }
    // The units as little-endian bytes, whatever the machine's order.
    std::vector<char> input(count * 2);
    for (size_t i = 0; i < count; ++i) {
        input[2 * i] = static_cast<char>(units[i] & 0xFF);
        input[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<size_t>(out - buffer));
        if (converted != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // A character without a GBK form, or a broken surrogate: "?" and on.
        const size_t position = static_cast<size_t>(in - input.data()) / 2;
        const size_t skip = characterUnits(units + position, count - position);
        result += '?';
        in += 2 * skip;
        inLeft -= 2 * skip;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return result;
}

}  // namespace platform
