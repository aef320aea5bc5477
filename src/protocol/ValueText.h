// Value texts of the instruments' frames: what a write carries, and how the data of a
// read reply turns into a number. Pure functions over bytes; nothing here can read
// outside the text it is given.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace valuetext {

// An analog value as the instruments take it: fixed point with one decimal (rounded
// half away from zero), at most five significant digits, padded on the left with
// spaces to five characters: 25 -> " 25.0", -5.5 -> " -5.5", 1234.5 -> "1234.5".
// Magnitudes from 99999.5 on, which the instruments do not accept, come out in
// exponent form ("1.0000E+05"). Throws std::invalid_argument for NaN and infinities.
std::string analogText(double value);

// A whole number as decimal (or upper-case hexadecimal) digits, zero-padded to at
// least `width` digits after any sign: (0, 6) -> "000000", (1, 2) -> "01".
std::string paddedInteger(int64_t value, int width, bool hex = false);

// The first number of a reply's data as text (the only index the instruments use is
// 0; any other yields an empty text). A data text of exactly five characters with a
// minus inside ("12-34") is the instruments' way of sending a negative number with
// a decimal point: it reads as -12.34.
std::string GetNumberStr(std::string_view data, int index = 0);

// For data that starts with '>': the hexadecimal digits after the '>', ending like
// the number text of GetNumberStr.
std::string hexNumberText(std::string_view data);

// A decimal number: optional leading spaces, sign, digits with an optional full stop,
// optional exponent, and nothing after it.
std::optional<double> parseDecimal(std::string_view text);

// One to eight hexadecimal digits (leading zeros may make it longer), nothing else.
std::optional<uint32_t> parseHex(std::string_view text);

}  // namespace valuetext
