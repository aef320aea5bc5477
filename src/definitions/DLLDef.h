// What makes the generic driver fit the 808/847 instrument family: constant tables
// looked up by device-type index (0, 1; 2 = no device) or tag-type index (0..31).
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace def {

constexpr int kDeviceTypeCount = 2;
constexpr int kTagTypeCount = 32;
constexpr int kDeviceCount = 100;
constexpr uint8_t kNoDevice = 2;

struct DeviceTypeDef {
    std::string_view name;     // DevTypeNames
    std::string_view note;     // DevTypeNotes
    std::string_view tagNote;  // DevTypeTagNotes
};
extern const std::array<DeviceTypeDef, kDeviceTypeCount> DevTypes;

// One row of the tag-type descriptor table handed to the host's tag editor.
struct TagTypeInfoRow {
    std::string_view mnemonic;  // TagTypeNames, case kept (HB and Hb differ)
    std::string_view description;
    uint8_t valueType;  // 0 analog
    uint8_t attribute;
    double maximum;
    double minimum;
};
extern const std::array<TagTypeInfoRow, kTagTypeCount> TagTypeInfo;

extern const std::array<uint8_t, kTagTypeCount> WriteAllowed;
extern const std::array<uint8_t, kTagTypeCount> ReadAllowed;
extern const std::array<int32_t, kTagTypeCount> AddrBlockLength;
extern const std::array<int32_t, kTagTypeCount> TagSlotMin;
extern const std::array<int32_t, kTagTypeCount> TagSlotMax;
extern const std::array<int32_t, kTagTypeCount> TagBitMin;
extern const std::array<int32_t, kTagTypeCount> TagBitMax;
// [device type][tag type]; TagChnMin -1 = the device type lacks the tag type.
extern const std::array<std::array<int32_t, kTagTypeCount>, kDeviceTypeCount> TagChnMin;
extern const std::array<std::array<int32_t, kTagTypeCount>, kDeviceTypeCount> TagChnMax;

constexpr bool UseTagTypePrefix = true;
constexpr bool HexAddress = false;
constexpr int32_t ReplyTimeout = 1000;  // ms
constexpr bool CommTextMode = true;
constexpr uint8_t DefaultDevType = 0;
constexpr std::string_view WizardNote = "";

// Texts of a device entry the wizard sets to "no device".
constexpr std::string_view NoDeviceTypeName = "\xCE\xDE\xD0\xA7";  // 无效

// Serial line tables, indexed by the codes stored in the configuration block.
constexpr std::array<uint32_t, 15> BaudRates = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                                19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr std::array<uint8_t, 5> DataBits = {4, 5, 6, 7, 8};
constexpr int ParityCount = 5;    // none, odd, even, mark, space
constexpr int StopBitsCount = 3;  // 1, 1.5, 2
constexpr int PortCount = 10;     // Com1..Com10

// The device type a device-table byte names, or kNoDevice when it names none.
constexpr uint8_t deviceTypeOf(uint8_t code) { return code < kDeviceTypeCount ? code : kNoDevice; }

}  // namespace def
