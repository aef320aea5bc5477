// Texts from the line are untrusted: random and damaged texts go through every step
// that reads them (under the sanitizer build any read outside a text fails).
#include <random>
#include <string>

#include "protocol/ValueText.h"
#include "protocol_fixture.h"

using namespace prototest;

namespace {

// Random bytes, weighted towards the characters that mean something in a frame.
std::string randomText(std::mt19937& random, size_t maxLength)
{
    static const std::string meaningful = "\x02\x03\x04\x05\x06\x0D\x15 +-.>0123456789AEFPVe";
    std::string text(std::uniform_int_distribution<size_t>(0, maxLength)(random), '\0');
    for (char& c : text) c = random() % 2 ? meaningful[random() % meaningful.size()] : static_cast<char>(random());
    return text;
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

    // Each tag keeps the kind of its value type.
    const size_t kinds[4] = {TagValue(1.0).index(), TagValue(false).index(), TagValue(std::string()).index(),
                             TagValue(1.0).index()};

    void feed(const std::string& text)
    {
        for (const bool write : {false, true}) {
            makeCurrent("PV", write, {0, 1, 2, 3});
            if (object->CheckResult(text)) {
                // Only a lone ACK, or a frame of the polled parameter with a right check
                // after whatever noise, gets through.
                const size_t start = text.find("\x02PV");
                ASSERT_TRUE(write ? text == "\x06" : start != std::string::npos) << testing::PrintToString(text);
                if (!write) EXPECT_EQ(text.substr(start), reply("PV", text.substr(start + 3, text.size() - start - 5)));
            }
            object->GetEchoDataStr(text, command);
            object->GetEchoStatusStr(text, command);
            object->CommAnalyze(text, command, object->TagTable);
            for (size_t i = 0; i < 4; ++i) ASSERT_EQ(object->TagTable[i]->value.index(), kinds[i]) << i;
        }
        valuetext::GetNumberStr(text);
        valuetext::parseDecimal(valuetext::hexNumberText(text));
        valuetext::parseHex(text);
    }
};

}  // namespace

TEST_F(Garbage, RandomAndDamagedTextsNeverCrashAndNeverPassWithoutAFrame)
{
    std::mt19937 random(20261206);
    for (int round = 0; round < 20000 && !HasFailure(); ++round) feed(randomText(random, round % 50 == 0 ? 3000 : 40));
    for (int round = 0; round < 20000 && !HasFailure(); ++round) {
        // A well-formed reply cut short, with one bit flipped, or with noise inside, after or before.
        std::string damaged = reply("PV", randomText(random, 12));
        const size_t at = random() % damaged.size();
        switch (random() % 5) {
        case 0: damaged.resize(at); break;
        case 1: damaged[at] ^= static_cast<char>(1 << (random() % 8)); break;
        case 2: damaged.insert(at, randomText(random, 4)); break;
        case 3: damaged += randomText(random, 4); break;
        default: damaged = randomText(random, 4) + damaged; break;
        }
        feed(damaged);
    }
}
