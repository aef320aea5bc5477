// Tag addresses such as PV3:0.0: mnemonic, device number, ":" (or "："), optional
// slot number and "," (or "，"), channel number, optional "." and bit number.
// Each part is found by searching the whole text for its separators, so every
// parser works on its own and a missing part gets its default.
#include <array>
#include <cstdio>
#include <optional>

#include "definitions/DLLDef.h"
#include "framework/DLLBase.h"
#include "framework/FrameworkTexts.h"
#include "framework/GbkText.h"
#include "framework/Guard.h"
#include "framework/PDB.h"
#include "sysinfo/version_info.h"

namespace {

constexpr std::string_view kClass = "TBaseDLLObject";

struct Separator {
    std::string_view half;
    std::string_view full;
};
constexpr Separator kColon{":", texts::framework::FullWidthColon};
constexpr Separator kComma{",", texts::framework::FullWidthComma};

// The mnemonics as addresses are compared with them, upper-cased once: every part of
// every address looks its tag type up again.
const std::array<std::string, def::kTagTypeCount>& upperMnemonics()
{
    static const std::array<std::string, def::kTagTypeCount> upper = [] {
        std::array<std::string, def::kTagTypeCount> table;
        for (int index = 0; index < def::kTagTypeCount; ++index)
            table[index] = gbk::upperAscii(def::TagTypeInfo[index].mnemonic);
        return table;
    }();
    return upper;
}

// Whether `text` begins with the upper-case ASCII `prefix` in any letter case. Every
// part of every address looks its tag type up again, so this copies nothing. Only ASCII
// matches a mnemonic's bytes, so a double-byte character never matches half-way.
bool startsWithAnyCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (size_t at = 0; at < prefix.size(); ++at) {
        char c = text[at];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[at]) return false;
    }
    return true;
}

struct Found {
    size_t at;
    size_t length;
};

// The half-width form wins when both forms occur.
std::optional<Found> findSeparator(std::string_view text, const Separator& separator)
{
    if (size_t at = gbk::find(text, separator.half); at != std::string_view::npos)
        return Found{at, separator.half.size()};
    if (size_t at = gbk::find(text, separator.full); at != std::string_view::npos)
        return Found{at, separator.full.size()};
    return std::nullopt;
}

std::string_view textAfter(std::string_view text, const Separator& separator)
{
    const auto found = findSeparator(text, separator);
    return found ? text.substr(found->at + found->length) : text;
}

std::string_view withoutMnemonic(std::string_view address, int32_t tagType)
{
    const size_t length = def::UseTagTypePrefix ? def::TagTypeInfo[tagType].mnemonic.size() : 0;
    return length < address.size() ? address.substr(length) : std::string_view();
}

bool knownDeviceType(uint8_t deviceType) { return deviceType < def::kDeviceTypeCount; }

// A device number in at least four digits: 3 gives 0003, -1 gives -0001.
std::string fourDigits(int32_t number)
{
    char text[24];
    if (def::HexAddress)
        std::snprintf(text, sizeof text, "%.4X", static_cast<unsigned>(number));
    else
        std::snprintf(text, sizeof text, "%.4d", number);
    return text;
}

}  // namespace

// --- messages of the parsers: hints only with trace output, errors always ---

namespace {

void logHint(TBaseDLLObject& object, const std::string& tagName, const std::string& address, const std::string& part,
             int32_t defaultValue)
{
    if (!object.PDB.TraceOutput) return;
    object.logLine(texts::framework::Tag + tagName + texts::framework::AddressHint + address +
                   texts::framework::AddressLacks + part + texts::framework::DefaultTaken +
                   std::to_string(defaultValue));
}

void logError(TBaseDLLObject& object, const std::string& tagName, const std::string& address, const std::string& what)
{
    object.logLine(texts::framework::Tag + tagName + texts::framework::AddressError + address + what);
}

}  // namespace

int32_t TBaseDLLObject::GetTagTypeIndex(const std::string&, const std::string& address)
{
    return guard::run(kClass, "GetTagTypeIndex", -1, [&]() -> int32_t {
        if (!def::UseTagTypePrefix) return 0;
        int32_t best = -1;
        size_t bestLength = 0;
        for (int32_t index = 0; index < def::kTagTypeCount; ++index) {
            const std::string& mnemonic = upperMnemonics()[index];
            // A later mnemonic must be strictly longer to win, so HB beats Hb.
            if (mnemonic.size() > bestLength && startsWithAnyCase(address, mnemonic)) {
                best = index;
                bestLength = mnemonic.size();
            }
        }
        return best;
    });
}

std::string TBaseDLLObject::GetTagTypeStr(const std::string& tagName, const std::string& address)
{
    return guard::run(kClass, "GetTagTypeStr", std::string(), [&] {
        const int32_t index = GetTagTypeIndex(tagName, address);
        return index < 0 ? std::string() : upperMnemonics()[index];
    });
}

int32_t TBaseDLLObject::GetTagDevID(const std::string& tagName, const std::string& address)
{
    return guard::run(kClass, "GetTagDevID", -1, [&]() -> int32_t {
        const int32_t tagType = GetTagTypeIndex(tagName, address);
        if (tagType < 0) return -1;
        const int32_t defaultValue = MinUnitNo;
        const std::string_view rest = withoutMnemonic(address, tagType);
        const auto colon = findSeparator(rest, kColon);
        if (!colon) {
            logHint(*this, tagName, address, systeminfo::DevIDName(), defaultValue);
            return defaultValue;
        }
        int32_t number = 0;
        if (!gbk::parseDecimal(rest.substr(0, colon->at), number)) {
            logError(*this, tagName, address,
                     texts::framework::PartIn + systeminfo::DevIDName() + texts::framework::PartInvalid);
            return -1;
        }
        return number;
    });
}

int32_t TBaseDLLObject::GetTagChnNo(const std::string& tagName, const std::string& address, uint8_t deviceType)
{
    return guard::run(kClass, "GetTagChnNo", -1, [&]() -> int32_t {
        const int32_t tagType = GetTagTypeIndex(tagName, address);
        if (!knownDeviceType(deviceType) || tagType < 0) return -1;
        const int32_t defaultValue = def::TagChnMin[deviceType][tagType];
        if (defaultValue == -1) return -1;  // this device type lacks the tag type
        std::string_view text = textAfter(withoutMnemonic(address, tagType), kColon);
        text = textAfter(text, kComma);
        if (const size_t dot = text.find('.'); dot != std::string_view::npos) text = text.substr(0, dot);
        if (text.empty()) {
            logHint(*this, tagName, address, systeminfo::ChnName(), defaultValue);
            return defaultValue;
        }
        int32_t number = 0;
        if (!gbk::parseDecimal(text, number)) {
            logError(*this, tagName, address,
                     texts::framework::PartOf + systeminfo::ChnName() + texts::framework::PartInvalid);
            return -1;
        }
        return number;
    });
}

int32_t TBaseDLLObject::GetTagSlotNo(const std::string& tagName, const std::string& address, uint8_t deviceType)
{
    return guard::run(kClass, "GetTagSlotNo", -1, [&]() -> int32_t {
        const int32_t tagType = GetTagTypeIndex(tagName, address);
        if (!knownDeviceType(deviceType) || tagType < 0) return -1;
        const int32_t slotMin = def::TagSlotMin[tagType];
        const int32_t defaultValue = slotMin == -1 ? 0 : slotMin;
        const std::string_view text = textAfter(withoutMnemonic(address, tagType), kColon);
        if (const auto comma = findSeparator(text, kComma)) {
            int32_t number = 0;
            if (!gbk::parseDecimal(text.substr(0, comma->at), number)) {
                logError(*this, tagName, address, texts::framework::SlotInvalid);
                return -1;
            }
            return number;
        }
        if (slotMin != -1) logHint(*this, tagName, address, texts::framework::SlotNumber, defaultValue);
        return defaultValue;
    });
}

int32_t TBaseDLLObject::GetTagBitNo(const std::string& tagName, const std::string& address, uint8_t deviceType)
{
    return guard::run(kClass, "GetTagBitNo", -1, [&]() -> int32_t {
        const int32_t tagType = GetTagTypeIndex(tagName, address);
        if (!knownDeviceType(deviceType) || tagType < 0) return -1;
        const int32_t bitMin = def::TagBitMin[tagType];
        const int32_t defaultValue = bitMin == -1 ? 0 : bitMin;
        const std::string_view text = textAfter(textAfter(address, kColon), kComma);
        if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
            int32_t number = 0;
            if (!gbk::parseDecimal(text.substr(dot + 1), number)) {
                logError(*this, tagName, address, texts::framework::BitInvalid);
                return -1;
            }
            return number;
        }
        if (bitMin != -1) logHint(*this, tagName, address, texts::framework::BitNumber, defaultValue);
        return defaultValue;
    });
}

namespace {

// The reason a tag's address is refused, appended to "错误：标签地址" + address;
// empty when the tag may stay.
std::string rejection(const TBaseDLLObject& object, const TDLLTag& tag)
{
    const int32_t t = tag.tagTypeIndex;
    if (t < 0 || t >= def::kTagTypeCount) return texts::framework::UnknownTagType;
    if (!knownDeviceType(tag.deviceType)) {
        const std::string& device = systeminfo::DevTypeName();
        return texts::framework::Specified + fourDigits(tag.deviceNo) + texts::framework::NumberSuffix + device +
               texts::framework::DeviceMissing + device + texts::framework::DeviceMissingEnd;
    }
    const bool deviceInTable = tag.deviceNo >= 0 && tag.deviceNo < def::kDeviceCount;
    const std::string deviceName = deviceInTable ? pdb::typeName(object.PDB.Devices[tag.deviceNo]) : std::string();
    if (tag.slotNo == -1) return texts::framework::SlotError + deviceName + texts::framework::LacksThisTag;
    if (tag.channelNo == -1)
        return systeminfo::ChnName() + texts::framework::PartError + deviceName + texts::framework::LacksThisTag;
    if (tag.bitNo == -1) return texts::framework::BitError + deviceName + texts::framework::LacksThisTag;

    // Every range is checked; the last one that fails names the reason.
    const uint8_t dt = tag.deviceType;
    const auto bound = [](int32_t value) { return std::to_string(value); };
    std::string reason;
    if (def::TagBitMax[t] != -1 && tag.bitNo > def::TagBitMax[t])
        reason =
            texts::framework::BitAboveRange + deviceName + texts::framework::MaximumRange + bound(def::TagBitMax[t]);
    if (def::TagBitMin[t] != -1 && tag.bitNo < def::TagBitMin[t])
        reason =
            texts::framework::BitBelowRange + deviceName + texts::framework::MinimumRange + bound(def::TagBitMin[t]);
    if (def::TagChnMax[dt][t] != -1 && tag.channelNo > def::TagChnMax[dt][t])
        reason = texts::framework::PartOf + systeminfo::ChnName() + texts::framework::Beyond + deviceName +
                 texts::framework::MaximumRange + bound(def::TagChnMax[dt][t]);
    if (def::TagChnMin[dt][t] != -1 && tag.channelNo < def::TagChnMin[dt][t])
        reason = texts::framework::PartOf + systeminfo::ChnName() + texts::framework::Beyond + deviceName +
                 texts::framework::MinimumRange + bound(def::TagChnMin[dt][t]);
    if (def::TagSlotMax[t] != -1 && tag.slotNo > def::TagSlotMax[t])
        reason = texts::framework::SlotBeyond + deviceName + texts::framework::MaximumRange + bound(def::TagSlotMax[t]);
    if (def::TagSlotMin[t] != -1 && tag.slotNo < def::TagSlotMin[t])
        reason = texts::framework::SlotBeyond + deviceName + texts::framework::MinimumRange + bound(def::TagSlotMin[t]);
    return reason;
}

}  // namespace

void TBaseDLLObject::CheckAddrValid(std::unique_ptr<TDLLTag>& tag)
{
    guard::run(kClass, "CheckAddrValid", [&] {
        if (!tag) return;
        const std::string reason = rejection(*this, *tag);
        if (reason.empty()) return;
        const std::string prefix = logfile::timePrefix() + texts::framework::ColonTag + tag->name;
        const std::string message = prefix + texts::framework::AddressError + tag->address + reason;
        tag.reset();
        DevMsg = message;
        WriteLogMsg(message + "\r\n");
        WriteLogMsg(prefix + texts::framework::TagDropped);
    });
}

bool TBaseDLLObject::CheckTagAddr(const OstrevanePDB* pdb, std::string& address)
{
    return guard::run(kClass, "CheckTagAddr", false, [&] {
        const std::string noName;
        const int32_t tagType = GetTagTypeIndex(noName, address);
        std::string text = GetTagTypeStr(noName, address);
        const int32_t deviceNo = GetTagDevID(noName, address);
        const uint8_t deviceType = pdb ? pdb::deviceTypeAt(*pdb, deviceNo) : def::kNoDevice;
        const int32_t bit = GetTagBitNo(noName, address, deviceType);
        const int32_t channel = GetTagChnNo(noName, address, deviceType);
        const int32_t slot = GetTagSlotNo(noName, address, deviceType);
        if (tagType < 0) text = upperMnemonics()[0];
        const bool hasSlot = tagType >= 0 && def::TagSlotMin[tagType] != -1;
        std::string canonical = text + std::to_string(deviceNo) + ":";
        if (hasSlot) canonical += std::to_string(slot) + ",";
        canonical += std::to_string(channel) + "." + std::to_string(bit);
        address = canonical;
        return tagType >= 0;
    });
}
