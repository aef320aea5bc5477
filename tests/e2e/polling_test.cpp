// The driver polling the standard instruments as a host sees it through the exports:
// values of both instruments arrive as numbers, Booleans and texts, the link tags say
// the line is normal, and FreeDriver leaves the statistics block in the log.
#include <cstdlib>

#include "host_session.h"

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

// The number after the last `label` in the log, or -1.
double numberAfter(const std::string& log, const std::string& label)
{
    const size_t at = log.rfind(label);
    return at == std::string::npos ? -1 : std::strtod(log.c_str() + at + label.size(), nullptr);
}

using Polling = e2e::Host;

TEST_F(Polling, EveryValueKindAndLinkTagOfBothInstrumentsArrivesAndTheStatisticsAreLogged)
{
    struct Expected {
        const char* address;
        uint8_t kind;
        double number;
        const char* text;
    };
    const Expected expected[] = {
        {"PV1:0.0", kNumber, 25.0, ""},
        {"SP1:0.0", kNumber, 30.5, ""},
        {"HS1:0.0", kSwitch, 1, ""},
        {"PV1:0.0", kText, 0, " 25.0"},
        {"PV3:0.0", kNumber, -12.5, ""},
        {"LA3:0.0", kSwitch, 0, ""},   // starts true
        {"SW3:0.0", kNumber, 33, ""},  // hexadecimal data
        {"PV3:0.0", kText, 0, "-12.5"},
        {"COMMLINK", kNumber, 1, ""},
        {"COMMLINK", kText, 0, "Ostrevane仪表通讯正常!"},
        {"COMMLINK", kSwitch, 1, ""},
        {"DEVICELINK1", kNumber, 1, ""},
        {"DEVICELINK3", kText, 0, "3号仪表Ostrevane847通讯正常!"},
    };
    std::vector<HostTagRec> tags;
    for (uint32_t id = 1; const Expected& tag : expected)
        tags.push_back(e2e::hostTag(id++, tag.address, tag.kind, std::string(tag.address) == "LA3:0.0"));
    start(tags);
    const auto allArrived = [&] {
        for (uint32_t id = 1; const Expected& tag : expected)
            if (!shows(id, tag.number, tag.text) || !good(id++)) return false;
        return true;
    };
    ASSERT_TRUE(readUntil(allArrived)) << "after " << reads << " reads";
    // Before the first reply the tags carry their initial values; nothing else ever shows.
    for (uint32_t id = 1; id <= 8; ++id) {
        const Expected& tag = expected[id - 1];
        for (const e2e::Report& report : reports(id)) {
            const bool initial = tag.kind == kText ? report.text.empty() : report.number == (id == 6 ? 1 : 0);
            const bool held = tag.kind == kText ? report.text == tag.text : report.number == tag.number;
            EXPECT_TRUE(initial || held) << "tag " << id << ": " << report.number << " '" << report.text << "'";
        }
    }
    EXPECT_EQ(DetectScanTime(), 10);
    EXPECT_EQ(messages, std::vector<std::string>{}) << "a healthy line raises no event text";

    const size_t enough = reads + 20;  // a few more exchanges with each instrument
    readUntil([&] { return reads >= enough; });
    FreeDriver();
    const std::string text = log();
    EXPECT_NE(text.find("：标签T1，地址=PV1:0.0，读扫描周期(毫秒)="), std::string::npos) << text;
    EXPECT_NE(text.find("：标签T5，地址=PV3:0.0，读扫描周期(毫秒)="), std::string::npos);
    EXPECT_NE(text.find("本次运行总时间（毫秒）="), std::string::npos);
    EXPECT_NE(text.find("平均扫描周期（毫秒）="), std::string::npos);
    EXPECT_GE(numberAfter(text, "：通讯总次数= "), 4);
    EXPECT_EQ(numberAfter(text, "：通讯超时总次数= "), 0);
    EXPECT_EQ(numberAfter(text, "：连续通讯超时次数= "), 0);
    EXPECT_NE(text.find("：从驱动程序中退出！"), std::string::npos);
}

}  // namespace
