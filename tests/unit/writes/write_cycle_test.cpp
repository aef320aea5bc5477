// Writes in the poll cycle: served right after the exchange under way in the order of
// the calls, sent once more when not acknowledged, and what a switched-off line or
// device does to them.
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, WritesQueuedDuringAnExchangeGoOutInCallOrderBeforeTheNextPoll)
{
    ASSERT_TRUE(
        start({hostTag(1, "SL1:0.0"), hostTag(2, "HS1:0.0"), hostTag(3, "PV1:0.0"), hostTag(4, "SL1:0.0", kText)}));
    pass();
    ASSERT_TRUE(write(2, 5.0));
    ASSERT_TRUE(write(1, 25.0));
    EXPECT_EQ(answer(reply("SL", " 10.0")), 1);
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(answer(kAck), 1);
    const std::vector<std::string> expected = {poll(1, "SL"), select(1, "HS", "  5.0"), select(1, "SL", " 25.0"),
                                               poll(1, "HS")};
    EXPECT_EQ(line->sent, expected);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    EXPECT_EQ(tag(1).value, TagValue(5.0));
    // The text tag, created without a host value, stands for its address's bit 0 of 25 (11001).
    EXPECT_EQ(tag(3).value, TagValue(std::string("1")));
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_EQ(object->WriteChain, nullptr);
}

TEST_F(Engine, AWriteThatIsNotAcknowledgedIsSentExactlyTwiceAndItsTagTurnsBad)
{
    ASSERT_TRUE(start({withInitial(hostTag(1, "SL1:0.0"), 10.0), hostTag(2, "PV1:0.0")}));
    pass();
    ASSERT_TRUE(write(1, 25.0));
    const std::string frame = select(1, "SL", " 25.0");
    answer(reply("SL", " 10.0"));
    answer("\x15");  // a refusal is no acknowledgement: the exchange waits for its time-out
    timeOut();
    EXPECT_EQ(lastSent(), frame);
    EXPECT_EQ(tag(0).quality, kGood);
    timeOut();
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, kBad);
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    EXPECT_EQ(tag(0).writeFailures, 2u);
    EXPECT_EQ(object->WriteChain, nullptr);
    // Polling goes on and never sends the write again; the parameter's next reply makes its tag good.
    answer(reply("PV", "1"));
    answer(reply("SL", "11"));
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, kGood);
    EXPECT_EQ(tag(0).value, TagValue(11.0));
}

TEST_F(Engine, AWriteToASwitchedOffLineOrDeviceIsNeverSentAndTimesOutTwice)
{
    for (const char* address : {"ENCOMMLINK", "ENDEVICELINK1"}) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(start({hostTag(1, "PV3:0.0"), hostTag(2, "SL1:0.0"), hostTag(3, address, kSwitch)}));
        pass();
        ASSERT_TRUE(write(3, false));
        EXPECT_TRUE(write(2, 25.0));
        answer(reply("PV", "1"));  // the write is due now, but not sent
        EXPECT_NE(object->WriteChain, nullptr);
        for (int i = 0; i < 3; ++i) timeOut();
        EXPECT_EQ(tag(1).quality, kBad);
        EXPECT_EQ(object->WriteChain, nullptr);
        EXPECT_EQ(sentCount(select(1, "SL", " 25.0")), 0u);
        const size_t sent = line->sent.size();
        ASSERT_TRUE(write(3, true));
        timeOut();
        EXPECT_GT(line->sent.size(), sent);  // polling resumes
        line->sent.clear();
    }
}

TEST_F(Engine, WithNothingToPollAWriteWaitsOneReplyTimeAndIsThenSent)
{
    ASSERT_TRUE(start({hostTag(1, "COMMLINK")}));
    ASSERT_TRUE(object->PollList.empty());
    // A writable parameter that is not polled.
    auto written = std::make_unique<TDLLTag>();
    written->tableIndex = 1;
    written->name = "T2";
    written->tagTypeIndex = 11;  // SL
    written->typeString = "SL";
    written->deviceNo = 1;
    written->writeAllowed = 1;
    written->value = 25.0;
    object->TagTable.push_back(std::move(written));
    object->WriteQueue.push_back(object->CreatCommand(tag(1), object->PollList, true));
    const TCommand* write = object->WriteQueue.back().get();
    ASSERT_NE(write, nullptr);
    clock.advance(1001);   // nothing was sent for longer than the reply time
    EXPECT_EQ(pass(), 0);  // taken from the queue, not sent
    EXPECT_TRUE(line->sent.empty());
    EXPECT_EQ(pass(), 0);  // ends by time-out at once, and goes out
    EXPECT_EQ(line->sent, std::vector<std::string>{select(1, "SL", " 25.0")});
    EXPECT_EQ(write->tries, 1);  // FinalCommand did not run for it
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(tag(1).value, TagValue(25.0));
    EXPECT_EQ(object->CurrentCommand, nullptr);
}
