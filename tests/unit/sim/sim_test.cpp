// The simulator's logic: frames picked from the line, the instruments' answers, faults,
// values, pacing, the console and the command line. No clock is read: times are given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/console.h"
#include "sim/line_schedule.h"
#include "sim/options.h"
#include "sim/protocol.h"

namespace {

using sim::Frame;

const std::string kEot("\x04");
const std::string kPoll(kEot + "0011PV\x05");
const std::string kSelect(kEot + "0011\x02SL 25.0\x03\x25");  // 25 to SL of device 1
const std::string kReply("\x02PV 25.0\x03\x3C");
const std::string kAck("\x06"), kNak("\x15");

std::vector<Frame> feedInPieces(sim::FrameParser& parser, const std::string& bytes, size_t piece)
{
    std::vector<Frame> frames;
    for (size_t at = 0; at < bytes.size(); at += piece)
        for (Frame& frame : parser.feed(std::string_view(bytes).substr(at, piece))) frames.push_back(std::move(frame));
    return frames;
}

std::vector<std::string> argumentsOf(const std::string& line)
{
    std::vector<std::string> words;
    for (const std::string_view word : sim::splitWords(line)) words.emplace_back(word);
    return words;
}

// Instrument 1 (808) and 12 (847), PV 25.0 on both.
class Sim : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(simulator.addInstrument(1, sim::InstrumentType::Model808));
        ASSERT_TRUE(simulator.addInstrument(12, sim::InstrumentType::Model847));
        for (int device : {1, 12}) simulator.instrument(device)->set("PV", sim::ValueSource::constant(25.0));
    }
    std::vector<sim::Chunk> chunks(const std::string& bytes) { return simulator.feed(bytes, 0).back().answer; }
    // Everything the instruments send for the bytes, pieces joined.
    std::string answer(const std::string& bytes, uint64_t nowMs = 0)
    {
        std::string sent;
        for (const sim::Exchange& exchange : simulator.feed(bytes, nowMs))
            for (const sim::Chunk& chunk : exchange.answer) sent += chunk.bytes;
        return sent;
    }
    void fault(const std::string& command)
    {
        ASSERT_EQ(sim::applyFaultCommand(sim::splitWords(command), simulator.faults()), "") << command;
    }
    std::string run(const std::string& line, uint64_t nowMs = 0)
    {
        return sim::runCommand(line, simulator, session, nowMs).value_or("(nothing)");
    }

    sim::Simulator simulator;
    sim::Session session;
};

TEST(SimFrames, PollAndSelectAreRecognisedWhateverTheyAreCutInto)
{
    EXPECT_EQ(sim::pollFrame(1, "PV"), kPoll);
    EXPECT_EQ(sim::selectFrame(1, "SL", " 25.0"), kSelect);
    for (size_t piece = 1; piece <= kSelect.size(); ++piece) {
        sim::FrameParser parser;
        const auto frames = feedInPieces(parser, kPoll + kSelect, piece);
        ASSERT_EQ(frames.size(), 2u) << "pieces of " << piece;
        EXPECT_EQ(frames[0].kind, Frame::Kind::Poll);
        EXPECT_EQ(frames[0].device, 1);
        EXPECT_EQ(frames[0].mnemonic, "PV");
        EXPECT_EQ(frames[1].kind, Frame::Kind::Select);
        EXPECT_EQ(frames[1].value, " 25.0");
        EXPECT_TRUE(frames[1].checkOk);
    }
    // A select's check may be any byte, even EOT, STX, ETX or NUL: that byte ends the frame.
    for (const char wanted : {'\x04', '\x02', '\x03', '\x00'}) {
        std::string frame;
        for (int tenths = 0; tenths < 10000 && (frame.empty() || frame.back() != wanted); ++tenths)
            frame = sim::selectFrame(7, "SL", std::to_string(tenths / 10) + "." + std::to_string(tenths % 10));
        sim::FrameParser parser;
        const auto frames = parser.feed(frame + kPoll);
        ASSERT_EQ(frames.size(), 2u) << int(wanted);
        EXPECT_TRUE(frames[0].kind == Frame::Kind::Select && frames[0].checkOk) << int(wanted);
        EXPECT_EQ(frames[1].kind, Frame::Kind::Poll);
    }
}

TEST(SimFrames, BrokenFramesBecomeNoiseAndTheNextPollIsStillHeard)
{
    const std::pair<std::string, std::string> cases[] = {
        {kEot + "0012PV\x05", "bad device number"},
        {kEot + "0011P\x01\x05", "bad mnemonic"},
        {kEot + "0011PVX", "poll without ENQ"},
        {kEot + "00", "bad device number"},  // the EOT that breaks a frame starts the next
        {kEot + "0011\x02SL 2\x01\x03", "bad select text"},
        {"\xFF\x06\x15 hello", "not part of a frame"}};
    for (const auto& [bytes, problem] : cases) {
        sim::FrameParser parser;
        const auto frames = parser.feed(bytes + kPoll);
        ASSERT_GE(frames.size(), 2u) << problem;
        EXPECT_EQ(frames.front().kind, Frame::Kind::Noise);
        EXPECT_EQ(frames.front().problem, problem);
        EXPECT_EQ(frames.back().bytes, kPoll) << problem;
    }
}

TEST_F(Sim, EachFrameGetsItsAnswerAndOnlyATakenSelectChangesAValue)
{
    std::string badCheck = sim::selectFrame(1, "SL", " 30.0");
    badCheck.back() = static_cast<char>(badCheck.back() ^ 0x01);
    const std::pair<std::string, std::string> cases[] = {
        {kPoll, kReply},
        {sim::pollFrame(12, "SL"), "\x02SL  0.0\x03\x32"},
        {sim::pollFrame(1, "ZZ"), "\x04"},  // unknown mnemonic: a lone EOT
        {sim::pollFrame(21, "PV"), ""},     // nobody plays 21 or 5
        {sim::selectFrame(5, "SL", " 25.0"), ""},
        {badCheck, kNak},
        {sim::selectFrame(1, "PV", " 30.0"), kNak},  // read-only
        {sim::selectFrame(1, "SL", " 3x.0"), kNak}};
    for (const auto& [frame, sent] : cases) EXPECT_EQ(answer(frame), sent) << testing::PrintToString(frame);
    EXPECT_EQ(simulator.instrument(1)->dataText("SL", 0), "  0.0");
    EXPECT_EQ(simulator.counters().otherAddress, 2u);
    EXPECT_EQ(simulator.counters().naks, 3u);
    for (const int device : {1, 100, -1}) EXPECT_FALSE(simulator.addInstrument(device, sim::InstrumentType::Model808));
    EXPECT_TRUE(simulator.addInstrument(99, sim::InstrumentType::Model808));
    // A taken select replaces even a moving value.
    simulator.instrument(1)->set("SL", sim::ValueSource{sim::ValueSource::Kind::Ramp, 0, 100, 1000, {}});
    EXPECT_EQ(answer(sim::pollFrame(1, "SL"), 500), sim::readReply("SL", " 50.0"));
    EXPECT_EQ(answer(kSelect, 500), kAck);
    EXPECT_EQ(answer(sim::pollFrame(1, "SL"), 900), std::string("\x02SL 25.0\x03\x25"));
    EXPECT_EQ(answer(sim::selectFrame(12, "HB", "   -5.5")), kAck);
    EXPECT_EQ(simulator.instrument(12)->dataText("HB", 0), " -5.5");
    EXPECT_EQ(simulator.counters().acks, 2u);
}

// Damage touches only what it names, and only replies to polls: ACK, NAK and the lone
// EOT have no STX, no parameter and no check. Silence withholds everything.
TEST_F(Sim, ReplyFaultsChangeOnlyWhatTheyName)
{
    simulator.instrument(1)->set("HS", sim::ValueSource::constant(77.0));
    const std::string hsReply = sim::readReply("HS", " 77.0");
    const struct {
        const char* fault;
        const char* polled;
        std::string sent, ack, nak;
    } cases[] = {{"clear", "PV", kReply, kAck, kNak},
                 {"silence on", "PV", "", "", ""},
                 {"badcheck on", "PV", kReply.substr(0, 9) + static_cast<char>(kReply[9] ^ 0xFF), kAck, kNak},
                 {"badstart on", "PV", "0" + kReply.substr(1), kAck, kNak},
                 {"wrongparam on", "PV", hsReply, kAck, kNak},
                 {"wrongparam on", "HS", kReply, kAck, kNak},
                 {"wrongparam on", "XX", "\x04", kAck, kNak}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " " + c.polled);
        fault("clear");
        fault(c.fault);
        simulator.instrument(1)->set("SL", sim::ValueSource::constant(0));
        EXPECT_EQ(answer(sim::pollFrame(1, c.polled)), c.sent);
        EXPECT_EQ(answer(sim::selectFrame(1, "SL", " 30.0")), c.ack);
        EXPECT_EQ(simulator.instrument(1)->dataText("SL", 0), c.ack.empty() ? "  0.0" : " 30.0");
        EXPECT_EQ(answer(sim::selectFrame(1, "PV", " 30.0")), c.nak);
    }
    EXPECT_EQ(simulator.counters().silenced, 3u);
}

TEST_F(Sim, SplitDelayAndNoiseShapeTheReplyAndAFaultKeepsToItsDeviceAndCount)
{
    fault("split 3 20ms");
    fault("delay 250");
    auto sent = chunks(kPoll);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].bytes + sent[1].bytes + sent[2].bytes, kReply);
    EXPECT_EQ(sent[0].bytes.size(), 4u);
    EXPECT_EQ(sent[0].pauseMs, 250u);
    EXPECT_EQ(sent[2].pauseMs, 20u);
    fault("clear");
    fault("noise 4");
    sent = chunks(kPoll);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes.size(), 4u);
    EXPECT_EQ(sent[1].bytes, kReply);
    EXPECT_TRUE(chunks(sim::pollFrame(7, "PV")).empty());  // never for an absent address
    fault("clear");
    const std::string poll12 = sim::pollFrame(12, "PV");
    fault("badcheck on times 2");
    EXPECT_NE(answer(kPoll), kReply);
    EXPECT_EQ(simulator.faults().describe(), "all: badcheck x1");
    EXPECT_NE(answer(kPoll), kReply);
    EXPECT_EQ(answer(kPoll), kReply);
    fault("delay 5");
    fault("12 delay 40");
    EXPECT_EQ(chunks(kPoll)[0].pauseMs, 5u);
    EXPECT_EQ(chunks(poll12)[0].pauseMs, 40u);
    fault("12 clear");
    EXPECT_EQ(chunks(poll12)[0].pauseMs, 5u);
    for (const char* bad : {"", "silence maybe", "split 1", "split 65", "noise 257", "delay 61s", "100 silence on",
                            "badcheck on times 0"})
        EXPECT_NE(sim::applyFaultCommand(sim::splitWords(bad), simulator.faults()), "") << bad;
    EXPECT_EQ(simulator.faults().describe(), "all: delay 5ms");
}

TEST_F(Sim, ConsoleCommandsAnswerOneLineEach)
{
    const std::pair<std::string, std::string> cases[] = {{"  set\t1 SP 30.5 ", "ok"},
                                                         {"get 1 SP", "ok  30.5"},
                                                         {"raw 1 SW >0021\r", "ok"},
                                                         {"get 1 SW", "ok >0021"},
                                                         {"fault 12 split 2 5ms times 4", "ok"},
                                                         {"fault badstart 1", "ok"},
                                                         {"faults", "ok all: badstart; 12: split 2/5ms x4"},
                                                         {"list", "ok 1:808 12:847"},
                                                         {"# a comment", "(nothing)"}};
    for (const auto& [command, reply] : cases) EXPECT_EQ(run(command), reply) << command;
    for (const char* command :
         {"get 2 PV", "get 1 XX", "set 1 SP abc", "raw 1 SW \x01", "fault bogus", "quit now", "launch", "unplug 1s"})
        EXPECT_EQ(run(command).rfind("error: ", 0), 0u) << command;
    EXPECT_EQ(run("get 1 SP"), "ok  30.5");
    EXPECT_EQ(run("quit"), "ok");
    EXPECT_TRUE(session.quit);
}

TEST(SimOptions, ACommandLineSetsUpTheSimulatorAndMistakesAreRefused)
{
    std::string error;
    auto arguments = argumentsOf("--pty --link /tmp/line --instrument 1:808 --instrument=3:847 --value 1:PV=25.0 "
                                 "--ramp 3:SL=20..30/10s --sine 3:HA=25~5/1min --raw 1:SW=>0021 --pace 9600:10");
    arguments.insert(arguments.end(), {"--fault", "3 silence on"});
    const auto options = sim::parseOptions(arguments, error);
    ASSERT_TRUE(options) << error;
    sim::Simulator simulator;
    sim::Session session;
    ASSERT_TRUE(sim::configure(*options, simulator, session, error)) << error;
    EXPECT_EQ(simulator.instrument(1)->dataText("SW", 0), ">0021");
    EXPECT_EQ(simulator.instrument(3)->dataText("SL", 5000), " 25.0");
    EXPECT_EQ(simulator.instrument(3)->dataText("HA", 15000), " 30.0");
    EXPECT_EQ(simulator.faults().describe(), "3: silence");
    EXPECT_EQ(session.pace.bitsPerCharacter, 10u);
    // Each a different mistake; the last ones only show when the simulator is set up.
    for (const char* line :
         {"--instrument 1:808", "--pty --device /dev/ttyS0 --instrument 1:808", "--pty --instrument 1:809",
          "--pty --instrument 1:808 --ramp 1:PV=5", "--pty --instrument 1:808 --pace 9600:13",
          "--pty --instrument 1:808 --verbose", "--pty --instrument 1:808 --value 2:PV=5"}) {
        sim::Simulator fresh;
        const auto refused = sim::parseOptions(argumentsOf(line), error);
        EXPECT_FALSE(refused && sim::configure(*refused, fresh, session, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
        error.clear();
    }
}

// With a line speed set, bytes take their wire time in both directions.
TEST(SimSchedule, PacedBytesAreHeardAndSentOneCharacterTimeApart)
{
    constexpr int64_t kMs = 1000000;
    constexpr int64_t kChar = 1041666;  // one 10-bit character at 9600 baud, in ns
    sim::LineSchedule schedule;
    schedule.setPace(*sim::parsePace("9600:10"));
    schedule.arrived("ab", 0);
    schedule.arrived("c", kChar / 2);  // while 'a' is still on the wire
    EXPECT_EQ(schedule.heard(3 * kChar - 1), "ab");
    EXPECT_EQ(schedule.heard(3 * kChar), "c");
    schedule.transmit({{5, "ab", "first"}}, 0);
    schedule.transmit({{0, "d", "next answer"}}, kMs);  // while the first is still waiting
    EXPECT_EQ(schedule.due(5 * kMs + kChar - 1).bytes, "");
    EXPECT_EQ(schedule.due(5 * kMs + kChar).bytes, "a");
    EXPECT_EQ(*schedule.nextEventNs(), 5 * kMs + 2 * kChar);
    EXPECT_EQ(schedule.due(5 * kMs + 3 * kChar).bytes, "bd");
}

}  // namespace
