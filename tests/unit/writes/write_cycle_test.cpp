// Writes in the poll cycle: served right after the exchange under way in the order of
// the latest calls, sent once more when not acknowledged, held back by a switched-off
// line or device, and a host writing faster than the line carries.
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

namespace {
constexpr size_t kLimit = TBaseDLLObject::kWriteQueueLimit;
}  // namespace

TEST_F(Engine, ANewerWholeValueSupersedesTheWaitingOneButNotOneOnTheLineAndBitWritesAreNeverMerged)
{
    ASSERT_TRUE(start(
        {hostTag(1, "SL1:0.0"), hostTag(2, "HS1:0.0"), hostTag(3, "SW1:0.0", kSwitch), hostTag(4, "SL1:0.0", kText)}));
    pass();
    EXPECT_TRUE(write(1, 25.0));
    EXPECT_TRUE(write(2, 5.0));
    EXPECT_TRUE(write(1, 30.0));
    EXPECT_EQ(object->WriteQueue.size(), 2u);
    EXPECT_EQ(answer(reply("SL", " 10.0")), 1);
    EXPECT_EQ(lastSent(), select(1, "HS", "  5.0"));
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    answer(kAck);
    ASSERT_EQ(lastSent(), select(1, "SL", " 30.0"));
    // On the line now; a pulse (on, then off) and a newer value queue behind it.
    ASSERT_TRUE(write(3, true));
    ASSERT_TRUE(write(3, false));
    ASSERT_TRUE(write(1, 25.0));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(answer(kAck), 1);
    const std::vector<std::string> expected = {select(1, "SL", " 30.0"), select(1, "SW", "000001"),
                                               select(1, "SW", "000000"), select(1, "SL", " 25.0"), poll(1, "HS")};
    EXPECT_EQ(std::vector<std::string>(line->sent.end() - 5, line->sent.end()), expected);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    EXPECT_EQ(tag(1).value, TagValue(5.0));
    EXPECT_EQ(tag(2).value, TagValue(false));
    // The text tag, created without a host value, stands for its address's bit 0 of 25 (11001).
    EXPECT_EQ(tag(3).value, TagValue(std::string("1")));
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
    // Polling goes on and never sends the write again; the parameter's next reply makes its tag good.
    answer(reply("PV", "1"));
    answer(reply("SL", "11"));
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, kGood);
}

TEST_F(Engine, AWriteToASwitchedOffLineOrDeviceIsNeverSentAndTimesOutTwice)
{
    for (const char* address : {"ENCOMMLINK", "ENDEVICELINK1"}) {
        ASSERT_TRUE(start({hostTag(1, "PV3:0.0"), hostTag(2, "SL1:0.0"), hostTag(3, address, kSwitch)}));
        pass();
        ASSERT_TRUE(write(3, false));
        EXPECT_TRUE(write(2, 25.0));
        answer(reply("PV", "1"));  // the write is due now, but not sent
        EXPECT_NE(object->WriteChain, nullptr);
        for (int i = 0; i < 3; ++i) timeOut();
        EXPECT_EQ(tag(1).quality, kBad) << address;
        EXPECT_EQ(object->WriteChain, nullptr);
        EXPECT_EQ(sentCount(select(1, "SL", " 25.0")), 0u);
        const size_t sent = line->sent.size();
        ASSERT_TRUE(write(3, true));
        timeOut();
        EXPECT_GT(line->sent.size(), sent);  // polling resumes
    }
}

TEST_F(Engine, WithNothingToPollAWriteWaitsOneReplyTimeAndIsThenSent)
{
    ASSERT_TRUE(start({hostTag(1, "COMMLINK")}));
    // A writable parameter that is not polled.
    auto& written = object->TagTable.emplace_back(std::make_unique<TDLLTag>());
    written->tableIndex = 1;
    written->tagTypeIndex = 11;  // SL
    written->deviceNo = 1;
    written->value = 25.0;
    object->WriteQueue.push_back(object->CreatCommand(*written, object->PollList, true));
    clock.advance(1001);   // nothing was sent for longer than the reply time
    EXPECT_EQ(pass(), 0);  // taken from the queue, not sent
    EXPECT_TRUE(line->sent.empty());
    EXPECT_EQ(pass(), 0);  // ends by time-out at once, and goes out
    EXPECT_EQ(line->sent, std::vector<std::string>{select(1, "SL", " 25.0")});
    EXPECT_EQ(object->WriteChain->tries, 1);  // FinalCommand did not run for it
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(tag(1).value, TagValue(25.0));
    EXPECT_EQ(object->CurrentCommand, nullptr);
}

TEST_F(Engine, BeyondTheQueueLimitAWriteIsRefusedUnlessItSupersedesAWaitingOne)
{
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "SL1:0.0"), hostTag(3, "HS1:0.0")}));
    object->PDB.ErrorOutput = 1;
    ASSERT_TRUE(write(2, 1.0));
    for (size_t i = 1; i < kLimit; ++i) ASSERT_TRUE(write(1, i % 2 == 0)) << i;
    const Snapshot before = snapshot();
    const size_t mark = logMark();
    EXPECT_FALSE(write(1, true));
    EXPECT_FALSE(write(3, 2.0));
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{"标签T1写错误,写命令队列已满!", "标签T3写错误,写命令队列已满!"}));
    EXPECT_EQ(object->takeStatusMsg(), "标签T3写错误,写命令队列已满!");
    EXPECT_TRUE(write(2, 3.0));  // takes the waiting value's place
    EXPECT_EQ(object->WriteQueue.size(), kLimit);
    EXPECT_EQ(object->WriteQueue.back()->request, select(1, "SL", "  3.0"));
    EXPECT_NE(object->WriteQueue.front()->request, select(1, "SL", "  1.0"));
}

TEST_F(Engine, AfterTenWritesInARowOnePollGoesOutAndAQueueFilledOnASilentLineDrains)
{
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "PV1:0.0")}));
    pass();
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(write(1, i % 2 == 0));
    answer(reply("SW", "1"));
    std::string order;
    for (int i = 0; i < 14; ++i) {
        const bool isWrite = lastSent()[5] == '\x02';
        order += isWrite ? 'W' : 'P';
        answer(isWrite ? std::string(kAck) : reply(lastSent().substr(5, 2), "1"));
    }
    EXPECT_EQ(order, std::string(10, 'W') + "PWWP");
    // Nothing answers now: every write is tried twice, a poll goes out after every ten.
    for (size_t i = 0; i < kLimit; ++i) ASSERT_TRUE(write(1, i % 2 == 0));
    size_t polls = 0;
    for (size_t step = 0; step < 2 * kLimit + 200 && !object->WriteQueue.empty(); ++step) {
        timeOut();
        polls += lastSent().back() == '\x05';
    }
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_GE(polls, kLimit / 10 - 1);
    EXPECT_EQ(tag(0).quality, kBad);
}
