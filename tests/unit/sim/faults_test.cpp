// Injected faults: each one changes the answer as it says, for the answers and the
// instruments it is set for, and only those.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/console.h"
#include "sim/protocol.h"
#include "sim/simulator.h"

namespace {

using sim::Chunk;

const std::string kReply = sim::readReply("PV", " 25.0");

class SimFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator.addInstrument(1, sim::InstrumentType::Model808);
        simulator.addInstrument(3, sim::InstrumentType::Model847);
        simulator.instrument(1)->set("PV", sim::ValueSource::constant(25.0));
        simulator.instrument(3)->set("PV", sim::ValueSource::constant(25.0));
    }

    void fault(const std::string& command)
    {
        ASSERT_EQ(sim::applyFaultCommand(sim::splitWords(command), simulator.faults()), "") << command;
    }

    std::vector<Chunk> answer(const std::string& frame)
    {
        auto exchanges = simulator.feed(frame, 0);
        return exchanges.empty() ? std::vector<Chunk>{} : exchanges.back().answer;
    }
    std::vector<Chunk> pollAnswer(int device = 1) { return answer(sim::pollFrame(device, "PV")); }

    static std::string joined(const std::vector<Chunk>& chunks)
    {
        std::string bytes;
        for (const Chunk& chunk : chunks) bytes += chunk.bytes;
        return bytes;
    }

    sim::Simulator simulator;
};

TEST_F(SimFaults, WithoutFaultsTheReplyGoesOutWholeAndAtOnce)
{
    const auto chunks = pollAnswer();
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].bytes, kReply);
    EXPECT_EQ(chunks[0].pauseMs, 0u);
}

TEST_F(SimFaults, SilenceWithholdsEveryAnswerAndAWriteIsNotStored)
{
    fault("silence on");
    EXPECT_TRUE(pollAnswer().empty());
    EXPECT_TRUE(answer(sim::selectFrame(1, "SL", " 30.0")).empty());
    EXPECT_EQ(simulator.instrument(1)->dataText("SL", 0), "  0.0");
    EXPECT_EQ(simulator.counters().silenced, 2u);
    fault("silence off");
    EXPECT_EQ(joined(pollAnswer()), kReply);
}

// Each damage touches only what it names, and only replies to polls: ACK, NAK and
// the lone EOT have no STX, no parameter and no check.
TEST_F(SimFaults, ReplyDamageChangesOnlyWhatItNames)
{
    simulator.instrument(1)->set("HS", sim::ValueSource::constant(77.0));
    const std::string hsReply = sim::readReply("HS", " 77.0");
    const struct {
        const char* fault;
        const char* polled;
        std::string sent;
    } cases[] = {
        {"badcheck on", "PV", kReply.substr(0, 9) + static_cast<char>(kReply[9] ^ 0xFF)},
        {"badstart on", "PV", "0" + kReply.substr(1)},
        {"badstart on", "HS", "0" + hsReply.substr(1)},
        {"wrongparam on", "PV", hsReply},
        {"wrongparam on", "SP", hsReply},
        {"wrongparam on", "HS", kReply},
        {"wrongparam on", "XX", "\x04"},
        {"badstart on", "XX", "\x04"},
    };
    for (const auto& c : cases) {
        fault("clear");
        fault(c.fault);
        EXPECT_EQ(joined(answer(sim::pollFrame(1, c.polled))), c.sent) << c.fault << " " << c.polled;
        EXPECT_EQ(joined(answer(sim::selectFrame(1, "SL", " 30.0"))), "\x06") << c.fault;
        EXPECT_EQ(joined(answer(sim::selectFrame(1, "PV", " 30.0"))), "\x15") << c.fault;
    }
}

TEST_F(SimFaults, SplitSendsTheReplyInPiecesWithPausesBetween)
{
    fault("split 3 20ms");
    const auto chunks = pollAnswer();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(joined(chunks), kReply);
    EXPECT_EQ(chunks[0].bytes.size(), 4u);
    EXPECT_EQ(chunks[0].pauseMs, 0u);
    EXPECT_EQ(chunks[1].pauseMs, 20u);
    EXPECT_EQ(chunks[2].pauseMs, 20u);
    // More pieces than bytes: one byte each.
    fault("split 5");
    EXPECT_EQ(answer(sim::selectFrame(1, "SL", " 30.0")).size(), 1u);
}

TEST_F(SimFaults, NoiseComesBeforeTheReplyAndDiffersFromAnswerToAnswer)
{
    fault("noise 4");
    const auto first = pollAnswer();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].bytes.size(), 4u);
    EXPECT_EQ(first[1].bytes, kReply);
    EXPECT_NE(pollAnswer()[0].bytes, first[0].bytes);
}

TEST_F(SimFaults, DelayHoldsBackTheFirstPiece)
{
    fault("delay 250");
    fault("split 2 10");
    const auto chunks = pollAnswer();
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].pauseMs, 250u);
    EXPECT_EQ(chunks[1].pauseMs, 10u);
}

TEST_F(SimFaults, TimesLimitsAFaultToTheNextAnswers)
{
    fault("badcheck on times 2");
    EXPECT_NE(joined(pollAnswer()), kReply);
    EXPECT_EQ(simulator.faults().describe(), "all: badcheck x1");
    EXPECT_NE(joined(pollAnswer()), kReply);
    EXPECT_EQ(joined(pollAnswer()), kReply);
    EXPECT_EQ(simulator.faults().describe(), "none");
}

TEST_F(SimFaults, AFaultForOneDeviceLeavesTheOthersAlone)
{
    fault("3 silence on");
    EXPECT_TRUE(pollAnswer(3).empty());
    EXPECT_EQ(joined(pollAnswer(1)), kReply);
    fault("delay 5");
    fault("3 delay 40");
    EXPECT_EQ(pollAnswer(1)[0].pauseMs, 5u);
    fault("3 silence off");
    EXPECT_EQ(pollAnswer(3)[0].pauseMs, 40u);
    EXPECT_EQ(simulator.faults().describe(), "all: delay 5ms; 3: delay 40ms");
    fault("3 clear");
    EXPECT_EQ(pollAnswer(3)[0].pauseMs, 5u);
    fault("clear");
    EXPECT_EQ(simulator.faults().describe(), "none");
}

TEST_F(SimFaults, FaultsNeverReachAnAbsentAddress)
{
    fault("noise 8");
    EXPECT_TRUE(pollAnswer(7).empty());
}

TEST_F(SimFaults, MalformedFaultCommandsAreRefusedAndChangeNothing)
{
    for (const char* command : {"", "7", "bogus on", "silence", "silence maybe", "badcheck on off", "split 1",
                                "split 65", "split 3 2h", "noise 257", "noise -1", "delay 61s", "delay soon",
                                "100 silence on", "badstart", "wrongparam HS", "badcheck on times 0", "badcheck on times x", "clear now"}) {
        EXPECT_NE(sim::applyFaultCommand(sim::splitWords(command), simulator.faults()), "") << command;
    }
    EXPECT_EQ(simulator.faults().describe(), "none");
}

}  // namespace
