// The instruments' character framing as data, looked up by tag-type index (0..31).
// Both device types frame alike, so nothing here is indexed by device type.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "definitions/DLLDef.h"

namespace def {

// Control characters of the wire protocol.
constexpr char EOT = 0x04;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ENQ = 0x05;
constexpr char ACK = 0x06;

constexpr int32_t DevAddrLength = 2;  // digits of the device number in a frame
constexpr bool DevAddrHex = false;
constexpr uint8_t CrcKind = 6;  // 6: exclusive-or of the covered characters, one raw character
constexpr int32_t CrcLength = 1;
constexpr bool ValueHex = false;

// Layout selectors.
constexpr uint8_t kAskPoll = 4;    // head, device number doubled, mnemonic, ENQ
constexpr uint8_t kAskSelect = 3;  // head, device number doubled, STX, mnemonic, value, ETX, check
constexpr uint8_t kEchoText = 2;   // read: STX, mnemonic, data, ETX, check; write: a lone ACK
constexpr uint8_t kCrcXor = 6;

// Value formats.
constexpr uint8_t kValueFixed = 16;  // write: fixed point, one decimal; read: first number of the data
constexpr uint8_t kValueNone = 3;    // no value text

template <typename T>
using PerTagType = std::array<T, kTagTypeCount>;

extern const PerTagType<uint8_t> ReadAskKind;
extern const PerTagType<uint8_t> WriteAskKind;
extern const PerTagType<uint8_t> ReadEchoKind;
extern const PerTagType<uint8_t> WriteEchoKind;
extern const PerTagType<std::string_view> ReadAskHead;
extern const PerTagType<std::string_view> ReadAskCode;
extern const PerTagType<std::string_view> WriteAskHead;
extern const PerTagType<std::string_view> WriteAskCode;
extern const PerTagType<std::string_view> ReadEchoHead;
extern const PerTagType<std::string_view> ReadEchoCode;
extern const PerTagType<std::string_view> WriteEchoHead;
extern const PerTagType<std::string_view> WriteEchoTail;
extern const PerTagType<int32_t> ValueWidth;
extern const PerTagType<uint8_t> ReadValueFormat;
extern const PerTagType<uint8_t> WriteValueFormat;
extern const PerTagType<std::string_view> EchoRequiredText;
extern const PerTagType<int32_t> EchoDataLength;

// Status codes a reply may begin its status part with, and the event text of each.
struct EchoStatusRow {
    std::string_view code;
    std::string_view text;
};
extern const std::array<EchoStatusRow, 2> EchoStatus;

// True when `index` names a row of the per-tag-type tables.
constexpr bool isTagType(int32_t index) { return index >= 0 && index < kTagTypeCount; }

}  // namespace def
