// Texts from the line are untrusted: random and damaged replies go through every
// step that reads them. Under the sanitizer build any read outside a text fails the
// test; the checks below say what the steps may conclude from such texts.
#include <random>
#include <string>
#include <vector>

#include "definitions/FrameDef.h"
#include "protocol/ValueText.h"
#include "protocol_fixture.h"

using namespace prototest;

namespace {

constexpr int kRounds = 20000;

// Random bytes, weighted towards the characters that mean something in a frame.
std::string randomText(std::mt19937& random, size_t maxLength)
{
    static const std::string meaningful = bytes("\x02\x03\x04\x05\x06\x0D\x15 +-.>0123456789AEFPVe");
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> pick(0, meaningful.size() - 1);
    std::string text(length(random), '\0');
    for (char& c : text) c = byte(random) < 128 ? meaningful[pick(random)] : static_cast<char>(byte(random));
    return text;
}

// A well-formed reply with one kind of damage.
std::string damagedReply(std::mt19937& random)
{
    std::string reply = readReply("PV", randomText(random, 12));
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<size_t> at(0, reply.size() - 1);
    switch (kind(random)) {
    case 0: reply.resize(at(random)); break;                                 // cut short
    case 1: reply[at(random)] ^= static_cast<char>(1 << (at(random) % 8)); break;  // one bit flipped
    case 2: reply.insert(at(random), randomText(random, 4)); break;          // noise inside
    case 3: reply += randomText(random, 4); break;                           // noise after
    default: reply = randomText(random, 4) + reply; break;                   // noise before
    }
    return reply;
}

bool blockCheckHolds(const std::string& reply)
{
    char check = 0;
    for (size_t i = 1; i + 1 < reply.size(); ++i) check = static_cast<char>(check ^ reply[i]);
    return reply.size() >= 2 && reply.back() == check;
}

class Garbage : public ProtocolTest {
protected:
    Garbage()
    {
        addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 1.0);
        addTag("PV", 1, OSTREVANE_VALUE_BOOLEAN, false);
        addTag("PV", 1, OSTREVANE_VALUE_TEXT, std::string());
        addTag("PV", 1, 7, 1.0);  // a value type the host does not define
    }

    void feed(const std::string& reply)
    {
        for (const bool write : {false, true}) {
            makeCurrent("PV", write, {0, 1, 2, 3});
            const bool accepted = object->CheckResult(reply);
            if (write) {
                EXPECT_EQ(accepted, reply == bytes("\x06"));
            } else if (accepted) {
                // Only a complete frame of the polled parameter with a right check gets
                // through; noise before its STX is passed over.
                const size_t start = reply.find(bytes("\x02" "PV"));
                ASSERT_NE(start, std::string::npos);
                const std::string frame = reply.substr(start);
                EXPECT_EQ(frame[frame.size() - 2], def::ETX);
                EXPECT_TRUE(blockCheckHolds(frame));
            }
            object->GetEchoDataStr(reply, command);
            object->GetEchoStatusStr(reply, command);
            object->CommAnalyze(reply, command, object->TagTable);
            // Each tag keeps the kind of its value type.
            EXPECT_TRUE(std::holds_alternative<double>(object->TagTable[0]->value));
            EXPECT_TRUE(std::holds_alternative<bool>(object->TagTable[1]->value));
            EXPECT_TRUE(std::holds_alternative<std::string>(object->TagTable[2]->value));
            EXPECT_TRUE(std::holds_alternative<double>(object->TagTable[3]->value));
        }
        valuetext::GetNumberStr(reply);
        valuetext::hexNumberText(reply);
        valuetext::parseDecimal(reply);
        valuetext::parseHex(reply);
    }
};

}  // namespace

TEST_F(Garbage, RandomBytesNeverCrashAndNeverPassWithoutAFrame)
{
    std::mt19937 random(20261206);
    for (int round = 0; round < kRounds; ++round) {
        feed(randomText(random, round % 50 == 0 ? 3000 : 40));
        if (HasFailure()) break;
    }
}

TEST_F(Garbage, DamagedRepliesNeverCrashAndAreTurnedDownUnlessStillComplete)
{
    std::mt19937 random(4711);
    for (int round = 0; round < kRounds; ++round) {
        feed(damagedReply(random));
        if (HasFailure()) break;
    }
}

TEST_F(Garbage, EveryShortTextIsHandled)
{
    // All texts of up to two bytes, and of three over the frame characters.
    feed("");
    for (int a = 0; a < 256; ++a) {
        feed(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) feed(std::string{static_cast<char>(a), static_cast<char>(b)});
    }
    const std::string meaningful = bytes("\x02\x03\x06>-0P");
    for (const char a : meaningful)
        for (const char b : meaningful)
            for (const char c : meaningful) feed(std::string{a, b, c});
}
