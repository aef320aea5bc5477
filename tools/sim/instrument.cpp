#include "sim/instrument.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

constexpr std::array<std::string_view, 32> kMnemonics = {
    "HS", "LS", "1H", "1L", "PV", "SP", "OP", "SW", "OS", "XS", "ER", "SL", "HA", "LA", "DA", "XP",
    "TI", "TD", "HB", "LB", "CH", "BP", "HO", "SR", "Hb", "Lc", "r1", "l1", "t1", "r2", "l2", "t2"};
constexpr std::array<std::string_view, 4> kReadOnly = {"PV", "SP", "OP", "DA"};

constexpr size_t kMaxRawLength = 32;
constexpr uint64_t kMaxDurationMs = 100ull * 24 * 3600 * 1000;
constexpr double kPi = 3.14159265358979323846;

template <size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view item)
{
    for (std::string_view entry : list)
        if (entry == item) return true;
    return false;
}

std::optional<ValueSource> periodic(ValueSource::Kind kind, std::string_view first, std::string_view rest,
                                    std::string& error)
{
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        error = "a moving value needs a period after '/', e.g. 20..30/10s";
        return std::nullopt;
    }
    const auto a = parseNumber(first);
    const auto b = parseNumber(rest.substr(0, slash));
    const auto period = parseDuration(rest.substr(slash + 1));
    if (!a || !b) {
        error = "not a number in a moving value";
        return std::nullopt;
    }
    if (!period || *period == 0) {
        error = "bad period (a positive duration such as 500ms, 10s or 2min)";
        return std::nullopt;
    }
    return ValueSource{kind, *a, *b, *period, {}};
}

}  // namespace

bool isKnownMnemonic(std::string_view mnemonic) { return contains(kMnemonics, mnemonic); }
bool isReadOnlyMnemonic(std::string_view mnemonic) { return contains(kReadOnly, mnemonic); }

std::optional<InstrumentType> parseInstrumentType(std::string_view text)
{
    if (text == "808") return InstrumentType::Model808;
    if (text == "847") return InstrumentType::Model847;
    return std::nullopt;
}

const char* typeName(InstrumentType type) { return type == InstrumentType::Model808 ? "808" : "847"; }

std::string formatValue(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%5.1f", value);
    // A small negative value rounds to "-0.0", which no instrument shows.
    if (std::string_view(text) == " -0.0") std::snprintf(text, sizeof text, "%5.1f", 0.0);
    return text;
}

std::optional<double> parseNumber(std::string_view text)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    // from_chars takes a minus but no plus sign.
    if (text[start] == '+') {
        ++start;
        if (start < text.size() && text[start] == '-') return std::nullopt;
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data() + start, end, value);
    if (failure != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<uint64_t> parseDuration(std::string_view text)
{
    uint64_t amount = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, amount);
    if (failure != std::errc() || stop == text.data()) return std::nullopt;
    const std::string_view unit(stop, static_cast<size_t>(end - stop));
    uint64_t scale = 0;
    if (unit.empty() || unit == "ms")
        scale = 1;
    else if (unit == "s")
        scale = 1000;
    else if (unit == "min")
        scale = 60000;
    else
        return std::nullopt;
    if (amount > kMaxDurationMs / scale) return std::nullopt;
    return amount * scale;
}

double ValueSource::valueAt(uint64_t nowMs) const
{
    if (periodMs == 0) return first;
    const double phase = static_cast<double>(nowMs % periodMs) / static_cast<double>(periodMs);
    switch (kind) {
    case Kind::Ramp: return first + (second - first) * phase;
    case Kind::Sine: return first + second * std::sin(2 * kPi * phase);
    default: return first;
    }
}

std::string ValueSource::dataText(uint64_t nowMs) const
{
    return kind == Kind::Raw ? raw : formatValue(valueAt(nowMs));
}

std::optional<ValueSource> parseValueSource(std::string_view text, std::string& error)
{
    if (const size_t dots = text.find(".."); dots != std::string_view::npos)
        return periodic(ValueSource::Kind::Ramp, text.substr(0, dots), text.substr(dots + 2), error);
    if (const size_t tilde = text.find('~'); tilde != std::string_view::npos)
        return periodic(ValueSource::Kind::Sine, text.substr(0, tilde), text.substr(tilde + 1), error);
    if (const auto number = parseNumber(text)) return ValueSource::constant(*number);
    error = "not a number: '" + std::string(text) + "'";
    return std::nullopt;
}

std::optional<ValueSource> parseRawSource(std::string_view text, std::string& error)
{
    if (text.size() > kMaxRawLength) {
        error = "raw data longer than 32 characters";
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            error = "raw data must be printable ASCII";
            return std::nullopt;
        }
    }
    ValueSource source;
    source.kind = ValueSource::Kind::Raw;
    source.raw = std::string(text);
    return source;
}

void Instrument::set(std::string_view mnemonic, ValueSource source)
{
    values_.insert_or_assign(std::string(mnemonic), std::move(source));
}

std::string Instrument::dataText(std::string_view mnemonic, uint64_t nowMs) const
{
    const auto found = values_.find(mnemonic);
    return found == values_.end() ? formatValue(0.0) : found->second.dataText(nowMs);
}

}  // namespace sim
