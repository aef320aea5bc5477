// Byte-level helpers for GBK texts (code page 936). A double-byte character is a
// lead byte 0x81..0xFE followed by a trail byte 0x40..0xFE other than 0x7F; its
// trail byte may look like an ASCII letter, so case changes and separator searches
// must step over whole characters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gbk {

// Length in bytes of the character that starts at `at` (1 or 2).
size_t charLength(std::string_view text, size_t at);

// ASCII letters upper-cased; double-byte characters left as they are.
std::string upperAscii(std::string_view text);

// Position of the first occurrence of `needle` that starts on a character
// boundary, or npos.
size_t find(std::string_view text, std::string_view needle);

// The longest prefix of `text` of at most `limit` bytes that does not cut a
// double-byte character in two.
std::string_view prefixWithin(std::string_view text, size_t limit);

// Strict signed decimal: optional sign, then at least one ASCII digit, nothing
// else (no blanks); false when the text is not such a number or exceeds 32 bits.
bool parseDecimal(std::string_view text, int32_t& value);

// A fixed-size character field up to its first NUL, never beyond `size` bytes.
std::string boundedField(const char* field, size_t size);

}  // namespace gbk
