// Pacing: with a line speed set, bytes take their wire time in both directions; the
// times here are made up, no clock is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/line_schedule.h"
#include "sim/protocol.h"

namespace {

constexpr int64_t kMs = 1000000;
// One character at 9600 baud, 10 bits: 1.0417 ms.
constexpr int64_t kChar9600 = 1041666;

sim::LineSchedule pacedAt(const char* pace)
{
    sim::LineSchedule schedule;
    schedule.setPace(*sim::parsePace(pace));
    return schedule;
}

TEST(SimSchedule, PaceIsBaudAndBitsPerCharacter)
{
    EXPECT_EQ(sim::parsePace("9600:10")->characterNs(), kChar9600);
    EXPECT_EQ(sim::parsePace("19200:10")->characterNs(), 520833);
    EXPECT_EQ(sim::parsePace("9600:11")->characterNs(), 1145833);
    EXPECT_FALSE(sim::parsePace("off")->on());
    EXPECT_EQ(sim::parsePace("off")->characterNs(), 0);
    for (const char* bad : {"", "9600", "9600:", ":10", "0:10", "9600:6", "9600:13", "fast:10", "9600:10:1"})
        EXPECT_FALSE(sim::parsePace(bad)) << bad;
    EXPECT_EQ(sim::describePace(*sim::parsePace("19200:11")), "19200:11");
}

TEST(SimSchedule, WithoutPacingBytesPassAtOnce)
{
    sim::LineSchedule schedule;
    schedule.arrived("abc", 5 * kMs);
    EXPECT_EQ(schedule.heard(5 * kMs), "abc");
    schedule.transmit({{0, "xyz", "reply"}}, 5 * kMs);
    const auto due = schedule.due(5 * kMs);
    EXPECT_EQ(due.bytes, "xyz");
    ASSERT_EQ(due.started.size(), 1u);
    EXPECT_EQ(due.started[0].note, "reply");
    EXPECT_FALSE(schedule.nextEventNs());
}

TEST(SimSchedule, ARequestIsHeardWhenItsLastCharacterHasArrived)
{
    auto schedule = pacedAt("9600:10");
    schedule.arrived(sim::pollFrame(1, "PV"), 0);
    EXPECT_EQ(schedule.heard(kChar9600 - 1), "");
    EXPECT_EQ(schedule.heard(kChar9600), "\x04");
    EXPECT_EQ(*schedule.nextEventNs(), 2 * kChar9600);
    EXPECT_EQ(schedule.heard(8 * kChar9600 - 1).size(), 6u);
    EXPECT_EQ(schedule.heard(8 * kChar9600), "\x05");
}

TEST(SimSchedule, BytesWrittenInBurstsStillQueueBehindEachOther)
{
    auto schedule = pacedAt("9600:10");
    schedule.arrived("ab", 0);
    schedule.arrived("c", kChar9600 / 2);  // while 'a' is still on the wire
    EXPECT_EQ(schedule.heard(3 * kChar9600 - 1), "ab");
    EXPECT_EQ(schedule.heard(3 * kChar9600), "c");
    schedule.arrived("d", 10 * kMs);  // the line was idle: starts afresh
    EXPECT_EQ(schedule.heard(10 * kMs + kChar9600), "d");
}

// The wire limit of an exchange at 9600 baud: 8 request and 10 reply characters, 18.75 ms.
TEST(SimSchedule, APollAndItsTenCharacterReplyTakeEighteenCharacterTimes)
{
    auto schedule = pacedAt("9600:10");
    schedule.arrived(sim::pollFrame(1, "PV"), 0);
    const int64_t heardAt = 8 * kChar9600;
    ASSERT_EQ(schedule.heard(heardAt).size(), 8u);
    schedule.transmit({{0, sim::readReply("PV", " 25.0"), "reply"}}, heardAt);
    std::string sent;
    int64_t lastAt = 0;
    while (const auto next = schedule.nextEventNs()) {
        lastAt = *next;
        const auto due = schedule.due(lastAt);
        ASSERT_EQ(due.bytes.size(), 1u);  // one character per character time
        sent += due.bytes;
    }
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_NEAR(static_cast<double>(lastAt), 18.75 * kMs, 1000.0);
}

TEST(SimSchedule, PausesSeparatePiecesAndAnswersQueueBehindEachOther)
{
    auto schedule = pacedAt("9600:10");
    schedule.transmit({{5, "ab", "first"}, {20, "c", "second"}}, 0);
    schedule.transmit({{0, "d", "next answer"}}, kMs);  // while the first is still waiting
    EXPECT_EQ(schedule.due(5 * kMs + kChar9600 - 1).bytes, "");
    auto due = schedule.due(5 * kMs + kChar9600);
    EXPECT_EQ(due.bytes, "a");
    ASSERT_EQ(due.started.size(), 1u);
    EXPECT_EQ(due.started[0].note, "first");
    const int64_t firstEnds = 5 * kMs + 2 * kChar9600;
    EXPECT_EQ(schedule.due(firstEnds + 20 * kMs).bytes, "b");
    due = schedule.due(firstEnds + 20 * kMs + kChar9600);
    EXPECT_EQ(due.bytes, "c");
    EXPECT_EQ(due.started[0].note, "second");
    EXPECT_EQ(*schedule.nextEventNs(), firstEnds + 20 * kMs + 2 * kChar9600);
    EXPECT_EQ(schedule.due(firstEnds + 20 * kMs + 2 * kChar9600).bytes, "d");
}

TEST(SimSchedule, ADelayWithoutPacingIsKeptToo)
{
    sim::LineSchedule schedule;
    schedule.transmit({{30, "\x06", "ACK"}}, 100 * kMs);
    EXPECT_EQ(schedule.due(130 * kMs - 1).bytes, "");
    EXPECT_EQ(*schedule.nextEventNs(), 130 * kMs);
    EXPECT_EQ(schedule.due(130 * kMs).bytes, "\x06");
}

}  // namespace
