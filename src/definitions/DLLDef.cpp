#include "definitions/DLLDef.h"

namespace def {

const std::array<DeviceTypeDef, kDeviceTypeCount> DevTypes = {{
    {"Ostrevane808", "Ostrevane808只是一个简单示例。", "Ostrevane808支持27种标签，包括HS、LS、PV等。"},
    {"Ostrevane847", "Ostrevane847只是一个简单示例。", "Ostrevane847支持27种标签，包括HS、LS、PV等。"},
}};

const std::array<TagTypeInfoRow, kTagTypeCount> TagTypeInfo = {{
    {"HS", "设定上限", 0, 2, 999999.0, -99999.0},
    {"LS", "设定下限", 0, 2, 999999.0, -99999.0},
    {"1H", "高范围限定", 0, 2, 999999.0, -99999.0},
    {"1L", "低范围限定", 0, 2, 999999.0, -99999.0},
    {"PV", "最新的测量值", 0, 0, 999999.0, -99999.0},
    {"SP", "设定值", 0, 0, 9999.0, -999.0},
    {"OP", "输出值", 0, 0, 100.0, -99.9},
    {"SW", "状态字", 0, 2, 999999.0, -99999.0},
    {"OS", "选择的状态字", 0, 2, 999999.0, -99999.0},
    {"XS", "扩展的状态字", 0, 2, 999999.0, -99999.0},
    {"ER", "误差值", 0, 2, 999999.0, -99999.0},
    {"SL", "本地设定1", 0, 2, 999999.0, -99999.0},
    {"HA", "高报警设定", 0, 2, 9999.0, -999.0},
    {"LA", "低报警设定", 0, 2, 9999.0, -999.0},
    {"DA", "偏差报警设定", 0, 0, 9999.0, 1.0},
    {"XP", "比例带", 0, 2, 9999.0, 1.0},
    {"TI", "积分时间", 0, 2, 8000.0, 1.0},
    {"TD", "微分时间", 0, 2, 999.0, 1.0},
    {"HB", "高过冲抑制", 0, 0, 9999.0, 1.0},
    {"LB", "低过冲抑制", 0, 0, 9999.0, 1.0},
    {"CH", "周期时间1（输出1－加热）", 0, 2, 80.0, 0.3},
    {"BP", "传感器故障功率", 0, 2, 100.0, -99.9},
    {"HO", "加热（输出1）输出功率", 0, 2, 100.0, 0.0},
    {"SR", "爬坡到设定点斜率", 0, 0, 999999.0, -99999.0},
    {"Hb", "HOLDBACK", 0, 0, 9999.0, 1.0},
    {"Lc", "循环计数器", 0, 0, 200.0, 1.0},
    {"r1", "斜率1", 0, 2, 99.99, 0.01},
    {"l1", "等级1", 0, 2, 999999.0, -99999.0},
    {"t1", "保持1", 0, 2, 9999.0, -999.0},
    {"r2", "斜率2", 0, 2, 99.99, 0.01},
    {"l2", "等级2", 0, 2, 999999.0, -99999.0},
    {"t2", "保持2", 0, 2, 9999.0, -999.0},
}};

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
