// The traffic and time-out lines of the log, and cycle times.
#include <string>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, TraceAndErrorOutputLogEveryExchangeAndEveryTimeOut)
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
    clock.advance(50);
    mark = logMark();
    answer(reply("PV", "1"));
    EXPECT_EQ(
        linesSince(mark),
        (std::vector<std::string>{"发送串行口读标签命令= " + poll(1, "PV"), "串行口接收到应答信息= " + reply("PV", "1"),
                                  "串行口应答信息通过校验检查。", "本次读标签循环周期（毫秒）=50"}));
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
