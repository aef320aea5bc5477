// A host writing faster than the line carries: the queue stays bounded, a newer whole
// value supersedes a waiting one of the same parameter, bit writes are all sent, and
// polling goes on between long runs of writes.
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

namespace {
constexpr size_t kLimit = TBaseDLLObject::kWriteQueueLimit;
}  // namespace

TEST_F(Engine, BeyondTheQueueLimitAWriteIsRefusedUnlessItSupersedesAWaitingOne)
{
    ASSERT_TRUE(
        start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "SL1:0.0"), hostTag(3, "HS1:0.0"), hostTag(4, "PV1:0.0")}));
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
    // A newer value of a parameter already waiting takes the old one's place.
    EXPECT_TRUE(write(2, 3.0));
    EXPECT_EQ(object->WriteQueue.size(), kLimit);
    EXPECT_EQ(object->WriteQueue.back()->request, select(1, "SL", "  3.0"));
    EXPECT_NE(object->WriteQueue.front()->request, select(1, "SL", "  1.0"));
}

TEST_F(Engine, ANewerWholeValueSupersedesTheWaitingOneButNotOneOnTheLineAndBitWritesAreNeverMerged)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "HS1:0.0"), hostTag(3, "SW1:0.0", kSwitch)}));
    pass();
    EXPECT_TRUE(write(1, 25.0));
    EXPECT_TRUE(write(2, 5.0));
    EXPECT_TRUE(write(1, 30.0));
    EXPECT_EQ(object->WriteQueue.size(), 2u);
    answer(reply("SL", "1"));
    EXPECT_EQ(lastSent(), select(1, "HS", "  5.0"));
    answer(kAck);
    ASSERT_EQ(lastSent(), select(1, "SL", " 30.0"));
    // On the line now; a pulse (on, then off) and a newer value queue behind it.
    ASSERT_TRUE(write(3, true));
    ASSERT_TRUE(write(3, false));
    ASSERT_TRUE(write(1, 31.0));
    for (int i = 0; i < 4; ++i) answer(kAck);
    const std::vector<std::string> expected = {select(1, "SL", " 30.0"), select(1, "SW", "000001"),
                                               select(1, "SW", "000000"), select(1, "SL", " 31.0"), poll(1, "HS")};
    EXPECT_EQ(std::vector<std::string>(line->sent.end() - 5, line->sent.end()), expected);
    EXPECT_EQ(tag(0).value, TagValue(31.0));
    EXPECT_EQ(tag(2).value, TagValue(false));
}

TEST_F(Engine, AfterTenWritesInARowOnePollGoesOutBeforeTheQueueIsServedAgain)
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
}

TEST_F(Engine, AQueueFilledWhileTheLineIsSilentDrainsAndPollingResumes)
{
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "PV1:0.0")}));
    pass();
    for (size_t i = 0; i < kLimit; ++i) ASSERT_TRUE(write(1, i % 2 == 0));
    // Nothing answers: every write is tried twice, a poll goes out after every ten.
    size_t polls = 0;
    for (size_t step = 0; step < 2 * kLimit + 200 && !object->WriteQueue.empty(); ++step) {
        timeOut();
        polls += lastSent().back() == '\x05';
    }
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_GE(polls, kLimit / 10 - 1);
    EXPECT_EQ(tag(0).quality, kBad);
}
