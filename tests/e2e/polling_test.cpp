// The driver polling two instruments on one line, as a host sees it through the
// exports: values arrive as numbers, Booleans and texts, the link tags say the line
// is normal, and FreeDriver leaves the statistics block in the log. The simulator
// plays the standard instruments (standard-instruments.args) with fixed values, so
// the same file runs natively and against the Windows DLL under Wine. Every wait is
// bounded and the tests pass on the data that arrives, not on how long it took.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "e2e_host.h"
#include "host_session.h"

namespace {

using e2e::hostTag;
using e2e::HostSession;
using e2e::withBoolean;

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr int kDeadlineMs = 5000;

// The number after `label` in the log, or -1 when it is not there.
double numberAfter(const std::string& log, const std::string& label)
{
    const size_t at = log.rfind(label);
    return at == std::string::npos ? -1 : std::strtod(log.c_str() + at + label.size(), nullptr);
}

class Polling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.lineReady()) << host.problem(); }

    void start(std::vector<HostTagRec> tags)
    {
        session = std::make_unique<HostSession>(std::move(tags), &E2eHost::take);
        ASSERT_TRUE(session->start()) << session->initMessage;
    }

    E2eHost host;
    std::unique_ptr<HostSession> session;
};

TEST_F(Polling, ValuesOfTwoInstrumentsArriveAsNumbersBooleansAndTexts)
{
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "SP1:0.0", kNumber), hostTag(3, "HS1:0.0", kSwitch),
           hostTag(4, "PV1:0.0", kText), hostTag(5, "PV3:0.0", kNumber),
           withBoolean(hostTag(6, "LA3:0.0", kSwitch), true), hostTag(7, "SW3:0.0", kNumber),
           hostTag(8, "PV3:0.0", kText)});
    HostSession& s = *session;
    const auto booleanIs = [&](uint32_t id, uint32_t value) {
        return s.last(id) && s.last(id)->valueType == kSwitch && s.last(id)->boolean == value;
    };
    const bool arrived = s.readUntil(
        [&] {
            return s.lastNumberIs(1, 25.0) && s.lastNumberIs(2, 30.5) && booleanIs(3, 1) && s.lastTextIs(4, " 25.0") &&
                   s.lastNumberIs(5, -12.5) && booleanIs(6, 0) && s.lastNumberIs(7, 33) && s.lastTextIs(8, "-12.5");
        },
        kDeadlineMs);
    EXPECT_TRUE(arrived) << "after " << s.reads << " reads";
    for (uint32_t id = 1; id <= 8; ++id) {
        ASSERT_NE(s.last(id), nullptr) << "tag " << id << " never reported";
        EXPECT_EQ(s.last(id)->quality, static_cast<uint32_t>(OSTREVANE_QUALITY_GOOD)) << "tag " << id;
    }
    // Before the first reply the tags carry their initial values; nothing else ever shows.
    for (const e2e::Report& report : s.reports(1)) EXPECT_TRUE(report.number == 0 || report.number == 25.0);
    for (const e2e::Report& report : s.reports(6)) EXPECT_LE(report.boolean, 1u);
    for (const e2e::Report& report : s.reports(4))
        EXPECT_TRUE(report.text.empty() || report.text == " 25.0") << report.text;
}

TEST_F(Polling, LinkTagsReportANormalLineAndTheScanTimeIsTenMilliseconds)
{
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV3:0.0", kNumber), hostTag(10, "COMMLINK", kNumber),
           hostTag(11, "COMMLINK", kText), hostTag(12, "COMMLINK", kSwitch), hostTag(13, "DEVICELINK1", kNumber),
           hostTag(14, "DEVICELINK3", kText)});
    HostSession& s = *session;
    const bool normal = s.readUntil(
        [&] {
            return s.lastNumberIs(1, 25.0) && s.lastNumberIs(2, -12.5) && s.lastNumberIs(10, 1) &&
                   s.lastTextIs(11, "Ostrevane仪表通讯正常!") && s.last(12) && s.last(12)->boolean == 1 &&
                   s.lastNumberIs(13, 1) && s.lastTextIs(14, "3号仪表Ostrevane847通讯正常!");
        },
        kDeadlineMs);
    EXPECT_TRUE(normal) << "after " << s.reads << " reads; line: " << (s.last(11) ? s.last(11)->text : "-")
                        << ", device 3: " << (s.last(14) ? s.last(14)->text : "-");
    EXPECT_EQ(DetectScanTime(), 10);
    EXPECT_EQ(s.messages, std::vector<std::string>{}) << "a healthy line raises no event text";
}

TEST_F(Polling, FreeDriverWritesTheStatisticsBlockToTheLog)
{
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV3:0.0", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(s.readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastNumberIs(2, -12.5); }, kDeadlineMs));
    // A few more exchanges with each instrument.
    const size_t enough = s.reads + 20;
    s.readUntil([&] { return s.reads >= enough; }, kDeadlineMs);
    FreeDriver();

    const std::string log = host.newLog();
    EXPECT_NE(log.find("：标签T1，地址=PV1:0.0，读扫描周期(毫秒)="), std::string::npos) << log;
    EXPECT_NE(log.find("：标签T2，地址=PV3:0.0，读扫描周期(毫秒)="), std::string::npos);
    EXPECT_NE(log.find("本次运行总时间（毫秒）="), std::string::npos);
    EXPECT_NE(log.find("平均扫描周期（毫秒）="), std::string::npos);
    EXPECT_GE(numberAfter(log, "：通讯总次数= "), 4) << log;
    EXPECT_EQ(numberAfter(log, "：通讯超时总次数= "), 0) << log;
    EXPECT_EQ(numberAfter(log, "：连续通讯超时次数= "), 0);
    EXPECT_NE(log.find("：从驱动程序中退出！"), std::string::npos);
}

}  // namespace
