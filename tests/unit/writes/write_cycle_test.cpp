// Writes in the poll cycle: served before the next poll in the order of the calls,
// sent once more when not acknowledged, and what a switched-off line or device does
// to them.
#include <string>
#include <vector>

#include "write_fixture.h"

using namespace enginetest;
using namespace writetest;

namespace {
constexpr uint8_t kSwitch = OSTREVANE_VALUE_BOOLEAN;
}

TEST_F(Writes, WritesQueuedDuringAnExchangeGoOutInCallOrderBeforeTheNextPoll)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "HS1:0.0"), hostTag(3, "PV1:0.0")}));
    pass();
    ASSERT_TRUE(write(2, 5.0));
    ASSERT_TRUE(write(1, 7.0));
    answer(reply("SL", "1"));
    answer(kAck);
    answer(kAck);
    const std::vector<std::string> expected = {poll(1, "SL"), select(1, "HS", "  5.0"), select(1, "SL", "  7.0"),
                                               poll(1, "HS")};
    EXPECT_EQ(line->sent, expected);
    EXPECT_EQ(tag(0).value, TagValue(7.0));
    EXPECT_EQ(tag(1).value, TagValue(5.0));
}

TEST_F(Writes, AWriteThatIsNotAcknowledgedIsSentExactlyTwiceAndItsTagTurnsBad)
{
    ASSERT_TRUE(start({withNumber(hostTag(1, "SL1:0.0"), 10.0), hostTag(2, "PV1:0.0")}));
    pass();
    ASSERT_TRUE(write(1, 25.0));
    const std::string frame = select(1, "SL", " 25.0");
    answer(reply("SL", " 10.0"));
    EXPECT_EQ(lastSent(), frame);
    answer("\x15");  // a refusal is no acknowledgement: the exchange waits for its time-out
    timeOut();
    EXPECT_EQ(lastSent(), frame);
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_GOOD);
    timeOut();
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_BAD);
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    EXPECT_EQ(tag(0).writeFailures, 2u);
    EXPECT_EQ(lastSent(), poll(1, "PV"));
    EXPECT_EQ(object->WriteChain, nullptr);
    // Polling goes on and never sends the write again; the next reply of the
    // parameter makes its tag good again.
    answer(reply("PV", "1"));
    answer(reply("SL", "11"));
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_GOOD);
    EXPECT_EQ(tag(0).value, TagValue(11.0));
}

TEST_F(Writes, WhileTheLineIsSwitchedOffAWriteIsQueuedNeverSentAndItsTagTurnsBad)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0"), hostTag(3, "ENCOMMLINK", kSwitch)}));
    pass();
    ASSERT_TRUE(write(3, false));
    EXPECT_TRUE(write(1, 25.0));
    const size_t sent = line->sent.size();
    timeOut();  // the poll under way ends; the write is taken but not sent
    EXPECT_NE(object->WriteChain, nullptr);
    pass();     // every pass ends an unsent exchange: the first try
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_GOOD);
    pass();     // and the second
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_BAD);
    EXPECT_EQ(object->WriteChain, nullptr);
    EXPECT_EQ(line->sent.size(), sent);
    EXPECT_EQ(object->LinkState, 5);
    // Switched on again, polling resumes.
    ASSERT_TRUE(write(3, true));
    timeOut();
    EXPECT_GT(line->sent.size(), sent);
    EXPECT_EQ(sentCount(select(1, "SL", " 25.0")), 0u);
}

TEST_F(Writes, AWriteToASwitchedOffDeviceIsNeverSentAndTimesOutTwice)
{
    ASSERT_TRUE(start({hostTag(1, "PV3:0.0"), hostTag(2, "SL1:0.0"), hostTag(3, "ENDEVICELINK1", kSwitch)}));
    pass();
    ASSERT_TRUE(write(3, false));
    EXPECT_EQ(object->DevEnabled[1], 0);
    EXPECT_TRUE(write(2, 25.0));
    answer(reply("PV", "1"));  // the write is due now, but device 1 is not addressed
    EXPECT_NE(object->WriteChain, nullptr);
    clock.advance(999);
    pass();
    EXPECT_EQ(tag(1).quality, OSTREVANE_QUALITY_GOOD);
    timeOut();  // first try over: the same write again, still not sent
    EXPECT_EQ(tag(1).quality, OSTREVANE_QUALITY_GOOD);
    timeOut();
    EXPECT_EQ(tag(1).quality, OSTREVANE_QUALITY_BAD);
    EXPECT_EQ(object->WriteChain, nullptr);
    EXPECT_EQ(sentCount(select(1, "SL", " 25.0")), 0u);
    // The other device is still polled.
    EXPECT_EQ(lastSent(), poll(3, "PV"));
}
