// Request frames. A poll is EOT, the device number doubled, the mnemonic and ENQ:
// device 1, PV -> 04 30 30 31 31 50 56 05. A select is EOT, the device number
// doubled, STX, mnemonic, value text, ETX and the block check (the exclusive-or of
// everything after STX up to ETX): 25 to SL of device 1 ->
// 04 30 30 31 31 02 53 4C 20 32 35 2E 30 03 25.
#include "protocol/DLLRealize.h"

#include <cmath>
#include <stdexcept>

#include "definitions/FrameDef.h"
#include "framework/Guard.h"
#include "framework/TagValue.h"
#include "protocol/ValueText.h"

namespace {

// A number from a tag value; a text that is not one is a fault of the value.
double numberOf(const TagValue& value)
{
    if (std::holds_alternative<std::string>(value)) {
        const TagValue number = tagvalue::convert(value, OSTREVANE_VALUE_NUMBER);
        if (!std::holds_alternative<double>(number)) throw std::invalid_argument("value is not a number");
        return std::get<double>(number);
    }
    return tagvalue::asNumber(value);
}

// The word last written to the parameter (Boolean and text tags write single bits of it).
int64_t writeWord(float writeNumber)
{
    const double rounded = std::nearbyint(static_cast<double>(writeNumber));
    if (!std::isfinite(rounded) || std::fabs(rounded) >= 9.0e18) throw std::invalid_argument("write word out of range");
    return static_cast<int64_t>(rounded);
}

}  // namespace

std::string TDLLObject::CreateValueStr(TDLLTag& tag, bool write)
{
    // Its faults are logged under the serial engine's name.
    return guard::run("TCustomDLLObject", "CreateValueStr", std::string(), [&] {
        const int32_t type = tag.tagTypeIndex;
        if (!def::isTagType(type)) return std::string();
        const uint8_t format = write ? def::WriteValueFormat[type] : def::ReadValueFormat[type];
        if (format != def::kValueFixed) return std::string();
        std::string text;
        switch (tagvalue::kindOf(tag.valueType)) {
        case tagvalue::Kind::Number: text = valuetext::analogText(numberOf(tag.value)); break;
        case tagvalue::Kind::Boolean:
        case tagvalue::Kind::Text:
            // A bit write sends the whole word with the bit changed.
            text = valuetext::paddedInteger(writeWord(tag.writeNumber), def::ValueWidth[type], def::ValueHex);
            break;
        }
        if (text.size() > kCommandTextLimit) text.resize(kCommandTextLimit);
        return text;
    });
}

std::string TDLLObject::GetAskStr(TCommand&, TDLLTag& tag, bool write)
{
    return guard::quiet(std::string(), [&] {
        const int32_t type = tag.tagTypeIndex;
        if (!def::isTagType(type)) return std::string();
        const std::string value = CreateValueStr(tag, write);
        // The device number, two digits, each sent twice: device 12 is 1 1 2 2.
        const std::string digits = valuetext::paddedInteger(tag.deviceNo, def::DevAddrLength, def::DevAddrHex);
        const std::string address{digits.at(0), digits.at(0), digits.at(1), digits.at(1)};
        if (!write) {
            if (def::ReadAskKind[type] != def::kAskPoll) return std::string();
            return std::string(def::ReadAskHead[type]) + address + std::string(def::ReadAskCode[type]) + def::ENQ;
        }
        const std::string body = std::string(def::WriteAskCode[type]) + value + def::ETX;
        // Without a select layout the check covers nothing and is NUL.
        const std::string checked =
            CheckCRC(def::WriteAskKind[type] == def::kAskSelect ? address + body : std::string());
        const char check = checked.empty() ? '\0' : checked.back();
        return std::string(def::WriteAskHead[type]) + address + def::STX + body + check;
    });
}

std::string TDLLObject::CheckCRC(const std::string& text)
{
    if (def::CrcKind != def::kCrcXor) return text;
    unsigned char check = 0;
    for (const char c : text) check ^= static_cast<unsigned char>(c);
    return text + static_cast<char>(check);
}
