// What the instruments answer: replies to polls, ACK or NAK to selects, silence for
// frames addressed to nobody here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/protocol.h"
#include "sim/simulator.h"

namespace {

using sim::InstrumentType;
using sim::ValueSource;

class SimAnswers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(simulator.addInstrument(1, InstrumentType::Model808));
        ASSERT_TRUE(simulator.addInstrument(12, InstrumentType::Model847));
        simulator.instrument(1)->set("PV", ValueSource::constant(25.0));
    }

    // Everything the instruments send for the bytes, pieces joined.
    std::string answerTo(const std::string& bytes, uint64_t nowMs = 0)
    {
        std::string sent;
        for (const sim::Exchange& exchange : simulator.feed(bytes, nowMs))
            for (const sim::Chunk& chunk : exchange.answer) sent += chunk.bytes;
        return sent;
    }

    sim::Simulator simulator;
};

TEST_F(SimAnswers, PollOfAPlayedInstrumentGetsTheValueWithItsBlockCheck)
{
    // STX P V " 25.0" ETX, check = P ^ V ^ ' ' ^ '2' ^ '5' ^ '.' ^ '0' ^ ETX = 0x3C.
    EXPECT_EQ(answerTo(std::string("\x04" "0011PV\x05")), std::string("\x02PV 25.0\x03\x3C"));
    EXPECT_EQ(answerTo(sim::pollFrame(12, "SL")), std::string("\x02SL  0.0\x03\x32"));
    EXPECT_EQ(simulator.counters().polls, 2u);
}

TEST_F(SimAnswers, FramesForANumberNobodyPlaysGetSilence)
{
    for (const std::string& frame : {sim::pollFrame(2, "PV"), sim::pollFrame(21, "PV"),
                                     sim::selectFrame(5, "SL", " 25.0")})
        EXPECT_EQ(answerTo(frame), "");
    EXPECT_EQ(simulator.counters().otherAddress, 3u);
}

TEST_F(SimAnswers, TakenSelectIsAcknowledgedAndALaterPollReturnsTheValue)
{
    // Writing 25 to SL of device 1, byte for byte as the driver sends it.
    EXPECT_EQ(answerTo(std::string("\x04" "0011\x02SL 25.0\x03\x25")), "\x06");
    EXPECT_EQ(simulator.instrument(1)->dataText("SL", 0), " 25.0");
    EXPECT_EQ(answerTo(sim::pollFrame(1, "SL")), std::string("\x02SL 25.0\x03\x25"));
    EXPECT_EQ(answerTo(sim::selectFrame(12, "HB", "   -5.5")), "\x06");
    EXPECT_EQ(simulator.instrument(12)->dataText("HB", 0), " -5.5");
    EXPECT_EQ(simulator.counters().acks, 2u);
}

TEST_F(SimAnswers, WrittenValueReplacesAMovingOne)
{
    simulator.instrument(1)->set("SL", ValueSource{ValueSource::Kind::Ramp, 0, 100, 1000, {}});
    EXPECT_EQ(answerTo(sim::selectFrame(1, "SL", " 42.0"), 500), "\x06");
    EXPECT_EQ(simulator.instrument(1)->dataText("SL", 900), " 42.0");
}

TEST_F(SimAnswers, RefusedSelectsGetNakAndLeaveTheValueAlone)
{
    std::string badCheck = sim::selectFrame(1, "SL", " 30.0");
    badCheck.back() = static_cast<char>(badCheck.back() ^ 0x01);
    const struct {
        std::string frame;
        const char* why;
    } cases[] = {
        {badCheck, "wrong block check"},
        {sim::selectFrame(1, "PV", " 30.0"), "read-only parameter"},
        {sim::selectFrame(1, "ZZ", " 30.0"), "unknown parameter"},
        {sim::selectFrame(1, "SL", " 3x.0"), "value not a number"},
        {sim::selectFrame(1, "SL", ""), "no value"},
        {sim::selectFrame(1, "S", ""), "short mnemonic"},
    };
    for (const auto& c : cases) EXPECT_EQ(answerTo(c.frame), "\x15") << c.why;
    EXPECT_EQ(simulator.instrument(1)->dataText("SL", 0), "  0.0");
    EXPECT_EQ(simulator.instrument(1)->dataText("PV", 0), " 25.0");
    EXPECT_EQ(simulator.counters().naks, 6u);
}

TEST_F(SimAnswers, PollOfAnUnknownMnemonicGetsALoneEot)
{
    EXPECT_EQ(answerTo(sim::pollFrame(1, "ZZ")), "\x04");
    EXPECT_EQ(answerTo(sim::pollFrame(1, "pv")), "\x04");
}

TEST_F(SimAnswers, RawDataGoesOutUnchanged)
{
    std::string error;
    simulator.instrument(1)->set("SW", *sim::parseRawSource(">0021", error));
    EXPECT_EQ(answerTo(sim::pollFrame(1, "SW")), sim::readReply("SW", ">0021"));
    simulator.instrument(1)->set("SW", *sim::parseRawSource("", error));
    EXPECT_EQ(answerTo(sim::pollFrame(1, "SW")), std::string("\x02SW\x03\x07"));
}

TEST_F(SimAnswers, MovingValuesFollowTheTimeGiven)
{
    std::string error;
    simulator.instrument(1)->set("PV", *sim::parseValueSource("20..30/10s", error));
    EXPECT_EQ(answerTo(sim::pollFrame(1, "PV"), 0), sim::readReply("PV", " 20.0"));
    EXPECT_EQ(answerTo(sim::pollFrame(1, "PV"), 2500), sim::readReply("PV", " 22.5"));
}

TEST_F(SimAnswers, SeveralFramesInOneFeedAreAnsweredInOrder)
{
    const auto exchanges = simulator.feed(sim::pollFrame(1, "PV") + "\xFF\xFE" + sim::pollFrame(12, "PV") +
                                              sim::selectFrame(1, "SL", " 1.0"),
                                          0);
    ASSERT_EQ(exchanges.size(), 4u);
    EXPECT_EQ(exchanges[0].description, "poll 01 PV");
    EXPECT_EQ(exchanges[1].description, "ignored: not part of a frame");
    EXPECT_TRUE(exchanges[1].answer.empty());
    EXPECT_EQ(exchanges[2].description, "poll 12 PV");
    EXPECT_EQ(exchanges[3].description, "select 01 SL ' 1.0': taken");
    EXPECT_EQ(simulator.counters().noiseBytes, 2u);
}

TEST_F(SimAnswers, InstrumentNumbersAreUniqueAndWithinRange)
{
    EXPECT_FALSE(simulator.addInstrument(1, InstrumentType::Model847));
    EXPECT_FALSE(simulator.addInstrument(100, InstrumentType::Model808));
    EXPECT_FALSE(simulator.addInstrument(-1, InstrumentType::Model808));
    EXPECT_TRUE(simulator.addInstrument(0, InstrumentType::Model808));
    EXPECT_TRUE(simulator.addInstrument(99, InstrumentType::Model808));
}

}  // namespace
