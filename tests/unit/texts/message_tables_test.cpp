// The driver's texts are escaped GBK bytes; this file is compiled with the GBK execution
// charset, so comparing catches an escape typed wrong or a text edited on one side only.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "definitions/DLLDef.h"
#include "definitions/FrameDef.h"
#include "diagnostics/DiagnosticsTexts.h"
#include "driver/DriverTexts.h"
#include "engine/EngineTexts.h"
#include "framework/FrameworkTexts.h"
#include "serial/SerialTexts.h"
#include "sysinfo/version_values.h"
#include "wizard/WizardTexts.h"

namespace {

struct TextCase {
    std::string name;
    std::string_view bytes, expected;  // what the driver uses; the readable text, compiled to GBK
};

// The whole array, so that an escaped NUL cannot hide the rest of a text.
template <size_t N>
constexpr std::string_view whole(const char (&text)[N])
{
    return {text, N - 1};
}

// Each constant is defined from the escaped bytes of its table row.
#define TEXT_CASE(name, gbk, utf8) {#name, whole(gbk), whole(utf8)},

TEST(MessageTables, EveryTextHoldsTheGbkBytesOfItsReadableForm)
{
    std::vector<TextCase> cases = {OSTREVANE_FRAMEWORK_TEXTS(TEXT_CASE) OSTREVANE_ENGINE_TEXTS(TEXT_CASE)
                                       OSTREVANE_SERIAL_TEXTS(TEXT_CASE) OSTREVANE_DRIVER_TEXTS(TEXT_CASE)
                                           OSTREVANE_WIZARD_TEXTS(TEXT_CASE) OSTREVANE_DIAGNOSTICS_TEXTS(TEXT_CASE)};
    // The constant tables and the version values keep their texts in place too.
    const std::vector<TextCase> definitions = {
        {"DevTypes[0].note", def::DevTypes[0].note, "Ostrevane808只是一个简单示例。"},
        {"DevTypes[1].note", def::DevTypes[1].note, "Ostrevane847只是一个简单示例。"},
        {"NoDeviceTypeName", def::NoDeviceTypeName, "无效"},
        {"EchoStatus[0]", def::EchoStatus[0].text, "读写正常"},
        {"EchoStatus[1]", def::EchoStatus[1].text, "非法的命令"},
        {"FILE_DESCRIPTION", whole(OSTREVANE_FILE_DESCRIPTION_GBK), whole(OSTREVANE_FILE_DESCRIPTION)},
        {"INTERNAL_NAME", whole(OSTREVANE_INTERNAL_NAME_GBK), whole(OSTREVANE_INTERNAL_NAME)},
        {"DEVICE_NAME", whole(OSTREVANE_DEVICE_NAME_GBK), whole(OSTREVANE_DEVICE_NAME)},
        {"DEV_TYPE_NAME", whole(OSTREVANE_DEV_TYPE_NAME_GBK), whole(OSTREVANE_DEV_TYPE_NAME)},
        {"DEV_ID_NAME", whole(OSTREVANE_DEV_ID_NAME_GBK), whole(OSTREVANE_DEV_ID_NAME)},
        {"CHN_NAME", whole(OSTREVANE_CHN_NAME_GBK), whole(OSTREVANE_CHN_NAME)},
    };
    cases.insert(cases.end(), definitions.begin(), definitions.end());
    // The tag editor's descriptions, in the order of the tag types.
    std::string descriptions;
    for (const auto& type : def::TagTypeInfo) descriptions += std::string(type.description) + "|";
    cases.push_back({"TagTypeInfo", descriptions,
                     "设定上限|设定下限|高范围限定|低范围限定|最新的测量值|设定值|输出值|状态字|选择的状态字|"
                     "扩展的状态字|误差值|本地设定1|高报警设定|低报警设定|偏差报警设定|比例带|积分时间|"
                     "微分时间|高过冲抑制|低过冲抑制|周期时间1（输出1－加热）|传感器故障功率|"
                     "加热（输出1）输出功率|爬坡到设定点斜率|HOLDBACK|循环计数器|斜率1|等级1|保持1|斜率2|"
                     "等级2|保持2|"});
    for (const TextCase& text : cases) EXPECT_EQ(text.bytes, text.expected) << text.name;
}

}  // namespace
