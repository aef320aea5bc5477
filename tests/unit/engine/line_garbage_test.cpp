// Whatever arrives on the line, at whatever time, the poll cycle keeps going and its
// counters stay consistent.
#include <random>
#include <string>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, RandomTrafficNeverBreaksThePollCycle)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SW2:0.1", OSTREVANE_VALUE_BOOLEAN),
                       hostTag(3, "SP3:0.0", OSTREVANE_VALUE_TEXT), hostTag(4, "COMMLINK", OSTREVANE_VALUE_TEXT)}));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> what(0, 9), byte(0, 255), length(0, 30), wait(0, 400);
    const std::string alphabet = "\x02\x03\x06-+.>0123456789PVSW ";
    int passes = 0;
    for (int round = 0; round < 20000; ++round) {
        const int choice = what(random);
        if (choice < 4) {
            std::string noise(static_cast<size_t>(length(random)), '\0');
            for (char& c : noise) c = byte(random) < 128 ? alphabet[static_cast<size_t>(byte(random)) % alphabet.size()] : static_cast<char>(byte(random));
            line->incoming += noise;
        } else if (choice < 6) {
            line->incoming += reply("PV", std::to_string(byte(random)));
        }
        clock.advance(static_cast<uint32_t>(wait(random)));
        pass();
        ++passes;
        const CommStatistics& s = object->Statistics;
        ASSERT_EQ(s.exchanges, s.goodReplies + s.timeouts);
        ASSERT_EQ(s.shortReplies + s.checkErrors + s.goodReplies, passes);
        ASSERT_EQ(object->TotalFailures, s.shortReplies + s.checkErrors);
        ASSERT_TRUE(std::holds_alternative<double>(tag(0).value));
        ASSERT_TRUE(std::holds_alternative<bool>(tag(1).value));
        ASSERT_TRUE(std::holds_alternative<std::string>(tag(2).value));
    }
    EXPECT_GT(object->Statistics.goodReplies, 100);
    EXPECT_GT(object->Statistics.timeouts, 100);
}
