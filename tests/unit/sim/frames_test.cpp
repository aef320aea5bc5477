// Picking the master's frames out of the bytes of the line, however they are cut up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/frame_parser.h"
#include "sim/protocol.h"
#include "sim/trace.h"

namespace {

using sim::Frame;

const std::string kPollPV1("\x04" "0011PV\x05");
// Writing 25 to SL of device 1.
const std::string kSelectSL1("\x04" "0011\x02SL 25.0\x03\x25");

std::vector<Frame> feedInPieces(sim::FrameParser& parser, const std::string& bytes, size_t piece)
{
    std::vector<Frame> frames;
    for (size_t at = 0; at < bytes.size(); at += piece)
        for (Frame& frame : parser.feed(std::string_view(bytes).substr(at, piece))) frames.push_back(std::move(frame));
    return frames;
}

TEST(SimFrames, MasterFramesAreBuiltAsTheDriverSendsThem)
{
    EXPECT_EQ(sim::pollFrame(1, "PV"), kPollPV1);
    EXPECT_EQ(sim::selectFrame(1, "SL", " 25.0"), kSelectSL1);
    EXPECT_EQ(sim::pollFrame(0, "PV").substr(1, 4), "0000");
    EXPECT_EQ(sim::pollFrame(99, "PV").substr(1, 4), "9999");
    EXPECT_EQ(sim::pollFrame(12, "PV").substr(1, 4), "1122");
}

TEST(SimFrames, PollAndSelectAreRecognisedWhateverTheyAreCutInto)
{
    for (size_t piece = 1; piece <= kSelectSL1.size(); ++piece) {
        sim::FrameParser parser;
        const auto frames = feedInPieces(parser, kPollPV1 + kSelectSL1, piece);
        ASSERT_EQ(frames.size(), 2u) << "pieces of " << piece;
        EXPECT_EQ(frames[0].kind, Frame::Kind::Poll);
        EXPECT_EQ(frames[0].device, 1);
        EXPECT_EQ(frames[0].mnemonic, "PV");
        EXPECT_EQ(frames[0].bytes, kPollPV1);
        EXPECT_EQ(frames[1].kind, Frame::Kind::Select);
        EXPECT_EQ(frames[1].mnemonic, "SL");
        EXPECT_EQ(frames[1].value, " 25.0");
        EXPECT_TRUE(frames[1].checkOk);
    }
}

TEST(SimFrames, SelectCheckMayBeAnyByteEvenAControlCharacter)
{
    // Find value texts whose check is EOT, STX, ETX or NUL: the parser must take that
    // byte as the check, not as the start or end of a frame.
    for (const char wanted : {'\x04', '\x02', '\x03', '\x00'}) {
        std::string frame;
        for (int tenths = 0; tenths < 10000 && (frame.empty() || frame.back() != wanted); ++tenths)
            frame = sim::selectFrame(7, "SL", std::to_string(tenths / 10) + "." + std::to_string(tenths % 10));
        ASSERT_EQ(frame.back(), wanted);
        sim::FrameParser parser;
        const auto frames = parser.feed(frame + kPollPV1);
        ASSERT_EQ(frames.size(), 2u) << int(wanted);
        EXPECT_EQ(frames[0].kind, Frame::Kind::Select);
        EXPECT_TRUE(frames[0].checkOk);
        EXPECT_EQ(frames[1].kind, Frame::Kind::Poll);
    }
}

TEST(SimFrames, WrongCheckIsReportedNotHidden)
{
    std::string frame = kSelectSL1;
    frame.back() = '\x26';
    sim::FrameParser parser;
    const auto frames = parser.feed(frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].kind, Frame::Kind::Select);
    EXPECT_FALSE(frames[0].checkOk);
}

TEST(SimFrames, BrokenFramesBecomeNoiseAndTheNextEotStartsAgain)
{
    const struct {
        std::string bytes;
        const char* problem;
    } cases[] = {
        {std::string("\x04" "0012PV\x05"), "bad device number"},
        {std::string("\x04" "0A11PV\x05"), "bad device number"},
        {std::string("\x04" "0011P\x01\x05"), "bad mnemonic"},
        {std::string("\x04" "0011PVX"), "poll without ENQ"},
        {std::string("\x04" "0011\x02SL 2\x01\x03\x00"), "bad select text"},
        {std::string("\x04" "0011\x02") + std::string(41, '1'), "bad select text"},
        {std::string("\xFF\x06\x15 hello"), "not part of a frame"},
    };
    for (const auto& c : cases) {
        sim::FrameParser parser;
        const auto frames = parser.feed(c.bytes + kPollPV1);
        ASSERT_GE(frames.size(), 2u) << c.problem;
        EXPECT_EQ(frames.front().kind, Frame::Kind::Noise);
        EXPECT_EQ(frames.front().problem, c.problem);
        EXPECT_EQ(frames.back().kind, Frame::Kind::Poll) << c.problem;
        EXPECT_EQ(frames.back().bytes, kPollPV1) << c.problem;
    }
}

TEST(SimFrames, AnEotInsideAnUnfinishedFrameStartsANewOne)
{
    sim::FrameParser parser;
    const auto frames = parser.feed(std::string("\x04" "00") + kPollPV1);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, std::string("\x04" "00"));
    EXPECT_EQ(frames[1].bytes, kPollPV1);
}

// Arbitrary bytes in arbitrary pieces: nothing crashes, every byte comes back exactly once
// (as a frame or as noise) apart from an unfinished frame, and the parser still hears the
// next poll. EOT first: after garbage it may be taken as a select's check.
TEST(SimFrames, GarbageNeverCrashesAndEveryByteIsAccountedFor)
{
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (int round = 0; round < 200; ++round) {
        sim::FrameParser parser;
        std::string garbage;
        const size_t length = next() % 400;
        for (size_t i = 0; i < length; ++i) {
            // Plenty of protocol characters and digits, so frames get far before breaking.
            const uint32_t pick = next() % 4;
            garbage += pick == 0 ? static_cast<char>(next() % 7) : pick == 1 ? static_cast<char>('0' + next() % 3)
                                                                              : static_cast<char>(next() & 0xFF);
        }
        size_t accounted = 0;
        std::vector<Frame> frames = feedInPieces(parser, garbage, 1 + next() % 17);
        for (const Frame& frame : frames) accounted += frame.bytes.size();
        ASSERT_LE(accounted, garbage.size());
        EXPECT_LE(garbage.size() - accounted, 48u);
        const auto after = parser.feed("\x04" + kPollPV1);
        ASSERT_FALSE(after.empty());
        EXPECT_EQ(after.back().kind, Frame::Kind::Poll);
        EXPECT_EQ(after.back().bytes, kPollPV1);
    }
}

TEST(SimFrames, TraceTellsSentFromReceivedBytes)
{
    EXPECT_EQ(sim::hexBytes(std::string("\x02P\x00", 3), sim::Direction::Sent), "[02][50][00]");
    EXPECT_EQ(sim::hexBytes("\x04\xFF", sim::Direction::Received), "<04><FF>");
    EXPECT_EQ(sim::traceLine("10:30:15.000001", sim::Direction::Received, "\x06", "ACK 01 SL"),
              "10:30:15.000001 <- <06>  ACK 01 SL");
    EXPECT_EQ(sim::traceLine("10:30:15.000001", sim::Direction::Sent, "\x06", ""), "10:30:15.000001 -> [06]");
}

}  // namespace
