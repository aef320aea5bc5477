// Link states, system tags, the severe-fault alarm and the host's event, the traffic
// and time-out lines of the log, and cycle times.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, LinkStatesFollowRepliesAndTimeOuts)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "COMMLINK"), hostTag(3, "DEVICELINK1", kText),
                       hostTag(4, "COMMLINK", kSwitch), hostTag(5, "DEVICELINK1")}));
    pass();
    const struct {
        bool reply;
        int linkState, deviceState, failCount;
        const char* text;
        uint32_t dataQuality;  // a fault leaves the value with bad quality until the next reply
    } steps[] = {{false, 0, 0, -1, "通讯始终不成功!", kGood},  // no reply yet: nothing changes
                 {true, 1, 1, 0, "通讯正常!", kGood},         {false, 2, 2, 1, "通讯出现干扰!", kGood},
                 {false, 3, 2, 2, "通讯出现干扰!", kGood},    {false, 4, 3, 3, "通讯出现故障!", kBad},
                 {false, 4, 3, 5, "通讯出现故障!", kBad},     {false, 4, 4, 6, "通讯线路断路!", kBad},
                 {true, 1, 1, 0, "通讯正常!", kGood}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.text);
        if (step.failCount == 5) timeOut();
        step.reply ? answer(reply("PV", "1")) : timeOut();
        EXPECT_EQ(object->LinkState, step.linkState);
        EXPECT_EQ(object->DevLinkState[1], step.deviceState);
        EXPECT_EQ(object->DevFailCount[1], step.failCount);
        EXPECT_EQ(tag(1).value, TagValue(static_cast<double>(step.linkState)));
        EXPECT_EQ(tag(2).value, TagValue("1号仪表Ostrevane808" + std::string(step.text)));
        EXPECT_EQ(tag(3).value, TagValue(step.reply));
        EXPECT_EQ(tag(4).value, TagValue(static_cast<double>(step.deviceState)));
        EXPECT_EQ(tag(0).quality, step.dataQuality);
        EXPECT_EQ(tag(0).value, TagValue(step.linkState == 0 ? 0.0 : 1.0)) << "the value itself is kept";
    }
}

TEST_F(Engine, ASilentDeviceTurnsOnlyItsOwnTagsBadAndItsLinkTagFollowsOnlyIt)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "SP2:0.0"), hostTag(4, "DEVICELINK2"),
                       hostTag(5, "ENLOG", kText), hostTag(6, "ENCOMMLINK")}));
    pass();
    answer(reply("PV", "1"));  // device 1
    EXPECT_EQ(tag(3).value, TagValue(0.0));
    EXPECT_EQ(tag(4).value, TagValue(std::string("允许写日志")));
    EXPECT_EQ(tag(5).value, TagValue(1.0));
    answer(reply("PV", "1"));  // device 2
    EXPECT_EQ(tag(3).value, TagValue(1.0));
    // From now on device 2 never answers: the line stays up and only its tags turn bad.
    int failures = 0;
    for (int exchange = 0; exchange < 12; ++exchange) {
        if (lastSent() == poll(1, "PV")) {
            answer(reply("PV", "5"));
        } else {
            timeOut();
            ++failures;
        }
        const uint32_t expected = failures >= 3 ? kBad : kGood;
        EXPECT_EQ(tag(1).quality, expected) << exchange;
        EXPECT_EQ(tag(2).quality, expected) << exchange;
        EXPECT_EQ(tag(0).quality, kGood) << exchange;
    }
    EXPECT_LT(object->LinkState, 4);
}

TEST_F(Engine, LongRunsOfTimeOutsRaiseTheSevereFaultSignalTheHostAndSwitchTrafficLoggingOn)
{
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
    const auto signals = [&ends] {  // since the last look
        int count = 0;
        for (uint64_t value = 0; read(ends[0], &value, sizeof value) == sizeof value;) ++count;
        return count;
    };
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    object->HostEvent = static_cast<uintptr_t>(ends[1]);
    pass();
    for (int timeout = 1; timeout <= 10; ++timeout) timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_EQ(signals(), 0);
    timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "严重故障：连续通讯失败，请检查线路和设备");
    EXPECT_EQ(signals(), 1);
    timeOut();
    EXPECT_EQ(signals(), 1);
    for (int timeout = 13; timeout < 100; ++timeout) timeOut();
    EXPECT_FALSE(object->LogEnabled);
    timeOut();
    EXPECT_TRUE(object->LogEnabled);
    // A reply ends the run.
    answer(reply("PV", "1"));
    timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_EQ(signals(), 88);  // time-outs 13 to 100, none after the reply
    close(ends[0]);
    close(ends[1]);
}

TEST_F(Engine, TraceAndErrorOutputLogEveryTimeOutWithWhatWasSentAndReceived)
{
    OstrevanePDB pdb = plant();
    pdb.TraceOutput = pdb.ErrorOutput = 1;
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}, pdb));
    pass();
    size_t mark = logMark();
    timeOut();  // no exchange has finished yet: the failure rate counts as 100 %
    const std::string cycle = "本次读标签循环周期（毫秒）=1001";
    const std::string sent = "通讯超时错，执行的操作=" + poll(1, "PV"), expected = "通讯超时错，期待应答=\00201PV";
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{sent, expected, "串行口没有接收到应答信息！", "通讯失败率超过5%= 100%",
                                        "通讯总次数= 2", "通讯超时总次数= 1", "连续通讯超时次数= 1", cycle}));
    answer(reply("PV", "1"));
    // A garbled reply that times out; the rate (1 of 2) is still above 5 %.
    line->incoming = "\x02PV1";
    mark = logMark();
    timeOut();
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{sent, expected, "串行口接收到应答信息= \x02PV1",
                                        "串行口应答信息没有通过校验检查。", "通讯失败率超过5%= 50%", "通讯总次数= 4",
                                        "通讯超时总次数= 2", "连续通讯超时次数= 1", cycle}));
}

TEST_F(Engine, CycleTimesAreKeptWhenTheFastestCommandComesRound)
{
    // A is polled on every tenth turn, B (the fastest) on every turn and closes the cycle.
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0", kNumber, 1000), hostTag(2, "PV2:0.0", kNumber, 100)}));
    ASSERT_EQ(object->WrapIndex, 1);
    pass();
    const struct {
        uint32_t after;
        double fastest, slowest, average;
    } steps[] = {{30, 30, 30, 30}, {20, 20, 30, 20}, {40, 20, 40, 40}, {10, 10, 40, 25}};
    for (const auto& step : steps) {
        clock.advance(step.after);
        answer(reply("PV", "1"));
        const CommStatistics& s = object->Statistics;
        EXPECT_EQ(s.lastCycleTime, step.after);
        EXPECT_EQ(s.fastestCycle, step.fastest);
        EXPECT_EQ(s.slowestCycle, step.slowest);
        EXPECT_EQ(s.averageCycle, step.average);
    }
}
