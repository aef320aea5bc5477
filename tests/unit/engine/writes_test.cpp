// Writes in the poll cycle: queued behind the exchange under way, sent once more on
// failure, acknowledged values taken over by the tags of the parameter.
#include <string>
#include <vector>

#include "definitions/DLLDef.h"
#include "engine_harness.h"

using namespace enginetest;

namespace {
const std::string kWrite25 = "\x04" "0011" "\x02" "SL 25.0\x03" "\x25";
}

TEST_F(Engine, AWriteGoesOutRightAfterTheExchangeUnderWayAndBeforeTheNextPoll)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0"), hostTag(3, "SL1:0.0", OSTREVANE_VALUE_TEXT)}));
    pass();
    queueWrite(0, 25.0);
    EXPECT_EQ(answer(reply("SL", " 10.0")), 1);
    EXPECT_EQ(lastSent(), kWrite25);
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    // The text tag, created without a host value, stands for its address's bit 0 of the word 25 (11001).
    EXPECT_EQ(tag(2).value, TagValue(std::string("1")));
    EXPECT_EQ(tag(0).quality, OSTREVANE_QUALITY_GOOD);
    EXPECT_EQ(lastSent(), poll(1, "PV"));
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_EQ(object->WriteChain, nullptr);
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
    written->channelNo = 0;
    written->writeAllowed = 1;
    object->TagTable.push_back(std::move(written));
    TCommand* write = queueWrite(1, 25.0);
    ASSERT_NE(write, nullptr);
    clock.advance(1001);   // nothing was sent for longer than the reply time
    EXPECT_EQ(pass(), 0);  // taken from the queue, not sent
    EXPECT_TRUE(line->sent.empty());
    EXPECT_EQ(pass(), 0);  // ends by time-out at once, and goes out
    EXPECT_EQ(line->sent, std::vector<std::string>{kWrite25});
    EXPECT_EQ(object->Statistics.timeouts, 1);
    EXPECT_EQ(write->tries, 1);  // FinalCommand did not run for it
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(tag(1).value, TagValue(25.0));
    EXPECT_EQ(object->CurrentCommand, nullptr);
}
