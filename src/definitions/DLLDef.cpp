#include "definitions/DLLDef.h"

namespace def {

// Texts are GBK bytes written as escapes (scripts/gbk-escape.py), each shown readable beside it.
// The tables keep one row a line: clang-format would split the escaped texts.
// clang-format off
const std::array<DeviceTypeDef, kDeviceTypeCount> DevTypes = {{
    {"Ostrevane808",
     "Ostrevane808\xD6\xBB\xCA\xC7\xD2\xBB\xB8\xF6\xBC\xF2\xB5\xA5\xCA\xBE\xC0\xFD\xA1\xA3",  // Ostrevane808只是一个简单示例。
     "Ostrevane808\xD6\xA7\xB3\xD6" "27\xD6\xD6\xB1\xEA\xC7\xA9\xA3\xAC\xB0\xFC\xC0\xA8HS\xA1\xA2LS\xA1\xA2PV\xB5\xC8\xA1\xA3"},  // Ostrevane808支持27种标签，包括HS、LS、PV等。
    {"Ostrevane847",
     "Ostrevane847\xD6\xBB\xCA\xC7\xD2\xBB\xB8\xF6\xBC\xF2\xB5\xA5\xCA\xBE\xC0\xFD\xA1\xA3",  // Ostrevane847只是一个简单示例。
     "Ostrevane847\xD6\xA7\xB3\xD6" "27\xD6\xD6\xB1\xEA\xC7\xA9\xA3\xAC\xB0\xFC\xC0\xA8HS\xA1\xA2LS\xA1\xA2PV\xB5\xC8\xA1\xA3"},  // Ostrevane847支持27种标签，包括HS、LS、PV等。
}};

const std::array<TagTypeInfoRow, kTagTypeCount> TagTypeInfo = {{
    {"HS", "\xC9\xE8\xB6\xA8\xC9\xCF\xCF\xDE", 0, 2, 999999.0, -99999.0},  // 设定上限
    {"LS", "\xC9\xE8\xB6\xA8\xCF\xC2\xCF\xDE", 0, 2, 999999.0, -99999.0},  // 设定下限
    {"1H", "\xB8\xDF\xB7\xB6\xCE\xA7\xCF\xDE\xB6\xA8", 0, 2, 999999.0, -99999.0},  // 高范围限定
    {"1L", "\xB5\xCD\xB7\xB6\xCE\xA7\xCF\xDE\xB6\xA8", 0, 2, 999999.0, -99999.0},  // 低范围限定
    {"PV", "\xD7\xEE\xD0\xC2\xB5\xC4\xB2\xE2\xC1\xBF\xD6\xB5", 0, 0, 999999.0, -99999.0},  // 最新的测量值
    {"SP", "\xC9\xE8\xB6\xA8\xD6\xB5", 0, 0, 9999.0, -999.0},  // 设定值
    {"OP", "\xCA\xE4\xB3\xF6\xD6\xB5", 0, 0, 100.0, -99.9},  // 输出值
    {"SW", "\xD7\xB4\xCC\xAC\xD7\xD6", 0, 2, 999999.0, -99999.0},  // 状态字
    {"OS", "\xD1\xA1\xD4\xF1\xB5\xC4\xD7\xB4\xCC\xAC\xD7\xD6", 0, 2, 999999.0, -99999.0},  // 选择的状态字
    {"XS", "\xC0\xA9\xD5\xB9\xB5\xC4\xD7\xB4\xCC\xAC\xD7\xD6", 0, 2, 999999.0, -99999.0},  // 扩展的状态字
    {"ER", "\xCE\xF3\xB2\xEE\xD6\xB5", 0, 2, 999999.0, -99999.0},  // 误差值
    {"SL", "\xB1\xBE\xB5\xD8\xC9\xE8\xB6\xA8" "1", 0, 2, 999999.0, -99999.0},  // 本地设定1
    {"HA", "\xB8\xDF\xB1\xA8\xBE\xAF\xC9\xE8\xB6\xA8", 0, 2, 9999.0, -999.0},  // 高报警设定
    {"LA", "\xB5\xCD\xB1\xA8\xBE\xAF\xC9\xE8\xB6\xA8", 0, 2, 9999.0, -999.0},  // 低报警设定
    {"DA", "\xC6\xAB\xB2\xEE\xB1\xA8\xBE\xAF\xC9\xE8\xB6\xA8", 0, 0, 9999.0, 1.0},  // 偏差报警设定
    {"XP", "\xB1\xC8\xC0\xFD\xB4\xF8", 0, 2, 9999.0, 1.0},  // 比例带
    {"TI", "\xBB\xFD\xB7\xD6\xCA\xB1\xBC\xE4", 0, 2, 8000.0, 1.0},  // 积分时间
    {"TD", "\xCE\xA2\xB7\xD6\xCA\xB1\xBC\xE4", 0, 2, 999.0, 1.0},  // 微分时间
    {"HB", "\xB8\xDF\xB9\xFD\xB3\xE5\xD2\xD6\xD6\xC6", 0, 0, 9999.0, 1.0},  // 高过冲抑制
    {"LB", "\xB5\xCD\xB9\xFD\xB3\xE5\xD2\xD6\xD6\xC6", 0, 0, 9999.0, 1.0},  // 低过冲抑制
    {"CH", "\xD6\xDC\xC6\xDA\xCA\xB1\xBC\xE4" "1\xA3\xA8\xCA\xE4\xB3\xF6" "1\xA3\xAD\xBC\xD3\xC8\xC8\xA3\xA9", 0, 2, 80.0, 0.3},  // 周期时间1（输出1－加热）
    {"BP", "\xB4\xAB\xB8\xD0\xC6\xF7\xB9\xCA\xD5\xCF\xB9\xA6\xC2\xCA", 0, 2, 100.0, -99.9},  // 传感器故障功率
    {"HO", "\xBC\xD3\xC8\xC8\xA3\xA8\xCA\xE4\xB3\xF6" "1\xA3\xA9\xCA\xE4\xB3\xF6\xB9\xA6\xC2\xCA", 0, 2, 100.0, 0.0},  // 加热（输出1）输出功率
    {"SR", "\xC5\xC0\xC6\xC2\xB5\xBD\xC9\xE8\xB6\xA8\xB5\xE3\xD0\xB1\xC2\xCA", 0, 0, 999999.0, -99999.0},  // 爬坡到设定点斜率
    {"Hb", "HOLDBACK", 0, 0, 9999.0, 1.0},
    {"Lc", "\xD1\xAD\xBB\xB7\xBC\xC6\xCA\xFD\xC6\xF7", 0, 0, 200.0, 1.0},  // 循环计数器
    {"r1", "\xD0\xB1\xC2\xCA" "1", 0, 2, 99.99, 0.01},  // 斜率1
    {"l1", "\xB5\xC8\xBC\xB6" "1", 0, 2, 999999.0, -99999.0},  // 等级1
    {"t1", "\xB1\xA3\xB3\xD6" "1", 0, 2, 9999.0, -999.0},  // 保持1
    {"r2", "\xD0\xB1\xC2\xCA" "2", 0, 2, 99.99, 0.01},  // 斜率2
    {"l2", "\xB5\xC8\xBC\xB6" "2", 0, 2, 999999.0, -99999.0},  // 等级2
    {"t2", "\xB1\xA3\xB3\xD6" "2", 0, 2, 9999.0, -999.0},  // 保持2
}};
// clang-format on

// Measured values, setpoint, output and deviation alarm are read-only on the instrument.
const std::array<uint8_t, kTagTypeCount> WriteAllowed = {1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 1,
                                                         1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

namespace {
template <typename T>
constexpr std::array<T, kTagTypeCount> filled(T value)
{
    std::array<T, kTagTypeCount> table{};
    for (auto& entry : table) entry = value;
    return table;
}
}  // namespace

const std::array<uint8_t, kTagTypeCount> ReadAllowed = filled<uint8_t>(1);
const std::array<int32_t, kTagTypeCount> AddrBlockLength = filled<int32_t>(1);
const std::array<int32_t, kTagTypeCount> TagSlotMin = filled<int32_t>(-1);
const std::array<int32_t, kTagTypeCount> TagSlotMax = filled<int32_t>(-1);
const std::array<int32_t, kTagTypeCount> TagBitMin = filled<int32_t>(-1);
const std::array<int32_t, kTagTypeCount> TagBitMax = filled<int32_t>(-1);
// Both instruments have every parameter on channel 0 only.
const std::array<std::array<int32_t, kTagTypeCount>, kDeviceTypeCount> TagChnMin = {filled<int32_t>(0),
                                                                                    filled<int32_t>(0)};
const std::array<std::array<int32_t, kTagTypeCount>, kDeviceTypeCount> TagChnMax = {filled<int32_t>(0),
                                                                                    filled<int32_t>(0)};

}  // namespace def
