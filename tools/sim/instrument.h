// One instrument of the 808/847 family as the line sees it: a device number and a
// value for each parameter it is asked about, some of them moving over time.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// The two-character parameter mnemonics the family answers to (case matters: Hb is not HB).
bool isKnownMnemonic(std::string_view mnemonic);
// Measured and computed parameters that the instrument only reports; a select for them is refused.
bool isReadOnlyMnemonic(std::string_view mnemonic);

enum class InstrumentType { Model808, Model847 };
std::optional<InstrumentType> parseInstrumentType(std::string_view text);  // "808" or "847"
const char* typeName(InstrumentType type);

// The data characters of a reply for a number: one decimal, padded on the left with
// spaces to five characters (25 -> " 25.0", -5.5 -> " -5.5", 1234.5 -> "1234.5").
std::string formatValue(double value);
// A plain decimal number as the instrument reads a value text: leading spaces and a
// sign allowed, nothing after the number. "-" alone, "nan" or "inf" are not numbers.
std::optional<double> parseNumber(std::string_view text);
// "500ms", "10s", "2min"; a bare number is milliseconds.
std::optional<uint64_t> parseDuration(std::string_view text);

// How a parameter's value behaves over time, measured from the simulator's start.
struct ValueSource {
    enum class Kind { Constant, Ramp, Sine, Raw };
    Kind kind = Kind::Constant;
    double first = 0;   // the constant; the ramp's start; the sine's middle
    double second = 0;  // the ramp's end; the sine's amplitude
    uint64_t periodMs = 0;
    std::string raw;  // Raw: the data characters, sent unchanged

    static ValueSource constant(double value) { return ValueSource{Kind::Constant, value, 0, 0, {}}; }
    double valueAt(uint64_t nowMs) const;
    std::string dataText(uint64_t nowMs) const;
};

// Reads a number ("25.0"), a ramp ("20..30/10s": climbs from 20 to 30 over 10 s, then
// starts again at 20) or a sine ("25~5/60s": 25 + 5 sin(2 pi t / 60 s)). On failure the
// result is empty and `error` says why.
std::optional<ValueSource> parseValueSource(std::string_view text, std::string& error);
// Data characters given literally (">0021", "12-34"): printable ASCII only, at most 32.
std::optional<ValueSource> parseRawSource(std::string_view text, std::string& error);

class Instrument {
public:
    Instrument(int device, InstrumentType type) : device_(device), type_(type) {}
    int device() const { return device_; }
    InstrumentType type() const { return type_; }

    void set(std::string_view mnemonic, ValueSource source);
    // The data characters a poll of the parameter returns now; parameters never set read 0.0.
    std::string dataText(std::string_view mnemonic, uint64_t nowMs) const;

private:
    int device_;
    InstrumentType type_;
    std::map<std::string, ValueSource, std::less<>> values_;
};

}  // namespace sim
