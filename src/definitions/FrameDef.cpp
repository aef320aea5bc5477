#include "definitions/FrameDef.h"

namespace def {
namespace {

template <typename T>
constexpr PerTagType<T> every(T value)
{
    PerTagType<T> table{};
    for (auto& entry : table) entry = value;
    return table;
}

// The read-only parameters (measured value, setpoint, output, deviation alarm) have
// no write frame; every other row takes `writable`. WriteAllowed is constant-initialised,
// so it is complete before these tables are made.
template <typename T>
PerTagType<T> unlessReadOnly(T writable, T readOnly)
{
    PerTagType<T> table{};
    for (int i = 0; i < kTagTypeCount; ++i) table[i] = WriteAllowed[i] ? writable : readOnly;
    return table;
}

constexpr std::string_view kEot{&EOT, 1};
constexpr std::string_view kStx{&STX, 1};
constexpr std::string_view kAck{&ACK, 1};

// The parameter mnemonics as they travel on the line; case matters (HB and Hb differ).
constexpr PerTagType<std::string_view> kMnemonics = {"HS", "LS", "1H", "1L", "PV", "SP", "OP", "SW", "OS", "XS", "ER",
                                                     "SL", "HA", "LA", "DA", "XP", "TI", "TD", "HB", "LB", "CH", "BP",
                                                     "HO", "SR", "Hb", "Lc", "r1", "l1", "t1", "r2", "l2", "t2"};

}  // namespace

const PerTagType<uint8_t> ReadAskKind = every<uint8_t>(kAskPoll);
const PerTagType<uint8_t> WriteAskKind = unlessReadOnly<uint8_t>(kAskSelect, 0);
const PerTagType<uint8_t> ReadEchoKind = every<uint8_t>(kEchoText);
const PerTagType<uint8_t> WriteEchoKind = unlessReadOnly<uint8_t>(kEchoText, 0);
const PerTagType<std::string_view> ReadAskHead = every(kEot);
const PerTagType<std::string_view> ReadAskCode = kMnemonics;
const PerTagType<std::string_view> WriteAskHead = every(kEot);
const PerTagType<std::string_view> WriteAskCode = kMnemonics;
const PerTagType<std::string_view> ReadEchoHead = every(kStx);
const PerTagType<std::string_view> ReadEchoCode = kMnemonics;
const PerTagType<std::string_view> WriteEchoHead = every(kAck);
const PerTagType<std::string_view> WriteEchoTail = every(kAck);
const PerTagType<int32_t> ValueWidth = every<int32_t>(6);
const PerTagType<uint8_t> ReadValueFormat = every<uint8_t>(kValueFixed);
const PerTagType<uint8_t> WriteValueFormat = unlessReadOnly<uint8_t>(kValueFixed, kValueNone);
const PerTagType<std::string_view> EchoRequiredText = every(std::string_view());
const PerTagType<int32_t> EchoDataLength = every<int32_t>(2);

const std::array<EchoStatusRow, 2> EchoStatus = {{
    {"!", "\xB6\xC1\xD0\xB4\xD5\xFD\xB3\xA3"},          // 读写正常
    {"?", "\xB7\xC7\xB7\xA8\xB5\xC4\xC3\xFC\xC1\xEE"},  // 非法的命令
}};

}  // namespace def
