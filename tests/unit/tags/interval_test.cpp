#include <gtest/gtest.h>

#include "driver/DLLMain.h"
#include "framework/DLLLog.h"
#include "tag_fixture.h"

using testing_support::FakeClock;
using testing_support::LogRedirect;

namespace {

class PollPlanning : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void commands(const std::vector<uint32_t>& periods, size_t tagsInFirst = 1)
    {
        object.PollList.clear();
        for (uint32_t period : periods) {
            auto command = std::make_unique<TCommand>();
            command->period = period;
            command->tagIndexes.assign(object.PollList.empty() ? tagsInFirst : 1, 0);
            object.PollList.push_back(std::move(command));
        }
    }
    std::vector<int32_t> skipFactors() const
    {
        std::vector<int32_t> factors;
        for (const auto& command : object.PollList) factors.push_back(command->skipFactor);
        return factors;
    }
    FakeClock clock;
    LogRedirect log;
    tagtest::TableObject object;
};

}  // namespace

TEST_F(PollPlanning, IntervalAndSkipFactors)
{
    const struct {
        std::vector<uint32_t> periods;
        uint32_t interval;
        std::vector<int32_t> skips;
        int32_t wrapIndex;
    } cases[] = {
        // m = 10, load 1 + 1 + 1/4 = 2.25, 10 / 2.25 + 1 = 5; below 10: factor 2.
        {{10, 40}, 10, {1, 8}, 0},
        // load 1 + 1 + 1/2 + 1/10 = 2.6, 100 / 2.6 + 1 = 39.
        {{200, 100, 1000}, 39, {2, 1, 10}, 1},
        {{}, 1000, {}, 0},
        {{1000, 1000}, 334, {1, 1}, 0},  // none below 1000: the wrap index stays
        {{30, 45}, 11, {1, 1}, 0},
        {{50, 20}, 10, {2, 1}, 1},       // 20 / 2.5 + 1 = 9: factor 10/9 rounds to 1
        {{50, 0}, 10, {1, 1}, 1},        // a zero period: every skip factor is 1
        {{5, 4000000000u}, 10, {1, INT32_MAX}, 0},  // a stretched factor stays within range
    };
    for (const auto& c : cases) {
        commands(c.periods);
        object.WrapIndex = 0;
        EXPECT_EQ(object.TBaseDLLObject::GetInterval(), c.interval);
        EXPECT_EQ(skipFactors(), c.skips);
        EXPECT_EQ(object.WrapIndex, c.wrapIndex);
        for (const auto& command : object.PollList) EXPECT_EQ(command->skipCountdown, 1);
        EXPECT_EQ(object.Statistics.averageCycle, c.interval);
        EXPECT_EQ(object.Statistics.fastestCycle, 1000.0);
        EXPECT_EQ(object.Statistics.slowestCycle, 1000.0);
    }
}

TEST_F(PollPlanning, TheEngineAsksForATenMillisecondScanAndLogsThePlan)
{
    commands({10, 40}, 3);
    const size_t before = log.content().size();
    EXPECT_EQ(object.GetInterval(), 10u);
    const std::string time = logfile::timePrefix();
    EXPECT_EQ(log.content().substr(before), time + "：读扫描周期（毫秒）=10\r\n" + time + "：有效标签个数=0\r\n" + time +
                                                "：最长通讯报包含的标签个数=3个\r\n" + time +
                                                "：包含的通讯报总计=2条\r\n\r\n");
    commands({100, 200, 1000});
    EXPECT_EQ(object.GetInterval(), 10u);  // whatever the plan, once polling runs
}
