// Link states, system tags, the severe-fault alarm and the host's event.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "engine_harness.h"

using namespace enginetest;

namespace {

// The write end of a pipe as the host's event; counts the signals.
class HostEventPipe {
public:
    HostEventPipe()
    {
        if (pipe2(ends_, O_NONBLOCK) != 0) ends_[0] = ends_[1] = -1;
    }
    ~HostEventPipe()
    {
        for (const int end : ends_)
            if (end >= 0) close(end);
    }
    uintptr_t handle() const { return static_cast<uintptr_t>(ends_[1]); }
    // Signals since the last call.
    int signals()
    {
        int count = 0;
        uint64_t value = 0;
        while (read(ends_[0], &value, sizeof value) == sizeof value) ++count;
        return count;
    }

private:
    int ends_[2];
};

}  // namespace

TEST_F(Engine, LinkStatesFollowRepliesAndTimeOuts)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "COMMLINK"), hostTag(3, "DEVICELINK1", OSTREVANE_VALUE_TEXT),
                       hostTag(4, "COMMLINK", OSTREVANE_VALUE_BOOLEAN), hostTag(5, "DEVICELINK1")}));
    pass();
    struct Step {
        bool reply;
        int linkState;
        int deviceState;
        int failCount;
        const char* text;
        uint32_t dataQuality;  // a fault leaves the value with bad quality until the next reply
    };
    constexpr uint32_t good = OSTREVANE_QUALITY_GOOD, bad = OSTREVANE_QUALITY_BAD;
    const Step steps[] = {
        {false, 0, 0, -1, "通讯始终不成功!", good},  // no reply yet: nothing changes
        {true, 1, 1, 0, "通讯正常!", good},
        {false, 2, 2, 1, "通讯出现干扰!", good},
        {false, 3, 2, 2, "通讯出现干扰!", good},
        {false, 4, 3, 3, "通讯出现故障!", bad},
        {false, 4, 3, 4, "通讯出现故障!", bad},
        {false, 4, 3, 5, "通讯出现故障!", bad},
        {false, 4, 4, 6, "通讯线路断路!", bad},
        {true, 1, 1, 0, "通讯正常!", good},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        step.reply ? answer(reply("PV", "1")) : timeOut();
        EXPECT_EQ(object->LinkState, step.linkState);
        EXPECT_EQ(object->DevLinkState[1], step.deviceState);
        EXPECT_EQ(object->DevFailCount[1], step.failCount);
        EXPECT_EQ(tag(1).value, TagValue(static_cast<double>(step.linkState)));
        EXPECT_EQ(tag(2).value, TagValue("1号仪表Ostrevane808" + std::string(step.text)));
        EXPECT_EQ(tag(3).value, TagValue(step.reply));
        EXPECT_EQ(tag(4).value, TagValue(static_cast<double>(step.deviceState)));
        EXPECT_EQ(tag(0).quality, step.dataQuality);
        if (step.dataQuality == bad) EXPECT_EQ(tag(0).value, TagValue(1.0)) << "the value itself is kept";
    }
}

TEST_F(Engine, ASilentDeviceTurnsOnlyItsOwnTagsBadAlsoWhenItNeverAnswered)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "SP2:0.0")}));
    pass();
    // Device 1 answers, device 2 never does: the line stays up and only device 2 falls silent.
    int failures = 0;
    for (int exchange = 0; exchange < 12; ++exchange) {
        if (lastSent() == poll(1, "PV")) {
            answer(reply("PV", "5"));
        } else {
            timeOut();
            ++failures;
        }
        const uint32_t expected = failures >= 3 ? OSTREVANE_QUALITY_BAD : OSTREVANE_QUALITY_GOOD;
        EXPECT_EQ(tag(1).quality, expected) << exchange;
        EXPECT_EQ(tag(2).quality, expected) << exchange;
        EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_GOOD) << exchange;
    }
    ASSERT_GE(failures, 3);
    EXPECT_LT(object->LinkState, 4);
}

TEST_F(Engine, ADeviceLinkTagFollowsOnlyItsOwnDevice)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "DEVICELINK2"), hostTag(4, "ENLOG", OSTREVANE_VALUE_TEXT),
                       hostTag(5, "ENCOMMLINK")}));
    pass();
    answer(reply("PV", "1"));  // device 1
    EXPECT_EQ(tag(2).value, TagValue(0.0));
    EXPECT_EQ(tag(3).value, TagValue(std::string("允许写日志")));
    EXPECT_EQ(tag(4).value, TagValue(1.0));
    answer(reply("PV", "1"));  // device 2
    EXPECT_EQ(tag(2).value, TagValue(1.0));
}

TEST_F(Engine, MoreThanTenTimeOutsInARowRaiseTheSevereFaultAndSignalTheHost)
{
    HostEventPipe event;
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    object->HostEvent = event.handle();
    pass();
    for (int timeout = 1; timeout <= 10; ++timeout) timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_EQ(event.signals(), 0);
    timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "严重故障：连续通讯失败，请检查线路和设备");
    EXPECT_EQ(event.signals(), 1);
    timeOut();
    EXPECT_EQ(event.signals(), 1);
    // A reply ends the run.
    answer(reply("PV", "1"));
    timeOut();
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_EQ(event.signals(), 0);
}

TEST_F(Engine, TheHundredthTimeOutInARowSwitchesTrafficLoggingOn)
{
    for (const bool errorOutput : {false, true}) {
        SCOPED_TRACE(errorOutput);
        OstrevanePDB pdb = plant();
        pdb.ErrorOutput = errorOutput;
        ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}, pdb));
        pass();
        for (int timeout = 1; timeout < 100; ++timeout) timeOut();
        EXPECT_FALSE(object->LogEnabled);
        timeOut();
        // With the error lines on, logging returns to what it was within the same pass.
        EXPECT_EQ(object->LogEnabled, !errorOutput);
    }
}
