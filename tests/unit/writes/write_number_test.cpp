// The word a write carries: a whole value for analog tags; for switch and text tags
// the parameter's word last written with one bit changed. Every tag of the parameter
// shares it, and on the acknowledgement each takes its own reading of it.
#include <string>
#include <vector>

#include "sysinfo/version_info.h"
#include "write_fixture.h"

using namespace enginetest;
using namespace writetest;

namespace {
constexpr uint8_t kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
const std::u16string kZero = u"0";
}  // namespace

TEST_F(Writes, BitWritesStartFromTheWordLastWrittenThroughAnyTagOfTheParameter)
{
    struct Step {
        uint32_t id;
        TagValue value;
        float word;
        std::string valueText;
    };
    const Step steps[] = {
        {1, true, 1, "000001"},                  // bit 0 of 0
        {2, true, 9, "000009"},                  // bit 3 on top of it
        {2, false, 1, "000001"},
        {3, std::string("1"), 9, "000009"},      // the same bit through a text tag
        {3, std::string("0"), 1, "000001"},
        {3, std::string("abc"), 1, "000001"},    // any other text leaves the word
        {4, 258.0, 258, "258.0"},                // a whole value
        {2, true, 266, "000266"},
        {1, true, 267, "000267"},
        {4, 70000.0, 70000, "70000.0"},
        {1, false, 4464, "004464"},              // 70000 with bit 0 cleared, kept to 16 bits
    };
    ASSERT_TRUE(start({withBoolean(hostTag(1, "SW1:0.0", kSwitch), false), withBoolean(hostTag(2, "SW1:0.3", kSwitch), false),
                       withText(hostTag(3, "SW1:0.3", kText), kZero), withNumber(hostTag(4, "SW1:0.0"), 0),
                       hostTag(5, "PV1:0.0")}));
    for (const Step& step : steps) {
        const std::vector<TagValue> values = {tag(0).value, tag(1).value, tag(2).value, tag(3).value};
        ASSERT_TRUE(write(step.id, step.value)) << step.valueText;
        for (size_t position = 0; position < 4; ++position) {
            EXPECT_EQ(tag(position).writeNumber, step.word) << step.valueText << " tag " << position;
            EXPECT_EQ(tag(position).value, values[position]) << "no tag changes before the acknowledgement";
        }
        EXPECT_EQ(object->WriteQueue.back()->request, select(1, "SW", step.valueText));
    }
}

TEST_F(Writes, TheAcknowledgedWordGivesEveryTagOfTheParameterItsOwnValue)
{
    // All created with host values, so that their bit numbers are their addresses'.
    ASSERT_TRUE(start({withBoolean(hostTag(1, "SW3:0.5", kSwitch), false), withText(hostTag(2, "SW3:0.5", kText), kZero),
                       withBoolean(hostTag(3, "SW3:0.4", kSwitch), false), withNumber(hostTag(4, "SW3:0.0"), 0)}));
    ASSERT_EQ(lastSent(), poll(3, "SW"));
    pass();
    ASSERT_TRUE(write(1, true));
    EXPECT_EQ(tag(0).writeNumber, 32.0f);
    answer(reply("SW", "0"));
    EXPECT_EQ(lastSent(), select(3, "SW", "000032"));
    const std::vector<TagValue> requested = {true, std::string("1"), false, 32.0};
    for (size_t position = 0; position < 4; ++position) EXPECT_EQ(tag(position).requestedValue, requested[position]);
    EXPECT_EQ(answer(kAck), 1);
    for (size_t position = 0; position < 4; ++position) {
        EXPECT_EQ(tag(position).value, requested[position]) << position;
        EXPECT_EQ(tag(position).quality, OSTREVANE_QUALITY_GOOD);
        EXPECT_EQ(tag(position).writes, 1u);
    }
}

TEST_F(Writes, ATextTagWithoutInitialValueWritesTheBitItsAddressNames)
{
    ASSERT_TRUE(start({hostTag(1, "SW3:0.5", kText)}));
    ASSERT_EQ(lastSent(), poll(3, "SW"));
    pass();
    ASSERT_TRUE(write(1, std::string("1")));
    answer(reply("SW", "0"));
    EXPECT_EQ(lastSent(), select(3, "SW", "000032"));  // bit 5, not bit 1
    EXPECT_EQ(answer(kAck), 1);
    EXPECT_EQ(tag(0).value, TagValue(std::string("1")));
}

TEST_F(Writes, TwoBitWritesWaitingTogetherAreEachAcknowledgedWithTheirOwnWord)
{
    ASSERT_TRUE(start({withBoolean(hostTag(1, "SW3:0.5", kSwitch), false), withBoolean(hostTag(2, "SW3:0.4", kSwitch), false),
                       withNumber(hostTag(3, "SW3:0.0"), 0)}));
    pass();
    ASSERT_TRUE(write(1, true));
    ASSERT_TRUE(write(2, true));  // starts from the word of the write before it
    answer(reply("SW", "0"));
    EXPECT_EQ(lastSent(), select(3, "SW", "000032"));
    answer(kAck);
    EXPECT_EQ(lastSent(), select(3, "SW", "000048"));
    // Until the second word is acknowledged the tags show the first.
    EXPECT_EQ(tag(0).value, TagValue(true));
    EXPECT_EQ(tag(1).value, TagValue(false));
    EXPECT_EQ(tag(2).value, TagValue(32.0));
    answer(kAck);
    EXPECT_EQ(tag(1).value, TagValue(true));
    EXPECT_EQ(tag(2).value, TagValue(48.0));
}

TEST_F(Writes, ARefusedWriteLeavesTheWordOfTheParameter)
{
    ASSERT_TRUE(start({hostTag(1, "SW1:0.3", kSwitch), hostTag(2, "SW1:0.0"), hostTag(3, "SW1:0.3", kText)}));
    ASSERT_TRUE(write(1, true));
    ASSERT_EQ(tag(1).writeNumber, 8.0f);
    EXPECT_FALSE(write(2, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(write(3, 1.0));
    for (size_t position = 0; position < 3; ++position) EXPECT_EQ(tag(position).writeNumber, 8.0f);
}

TEST_F(Writes, OnlyTheFirstThousandWriteCommandsAreLogged)
{
    OstrevanePDB pdb = plant();
    pdb.DebugSwitch = 1;
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0")}, pdb));
    const size_t mark = logMark();
    for (int i = 0; i < 1001; ++i) ASSERT_TRUE(write(1, static_cast<double>(i)));
    size_t logged = 0;
    std::string first, last;
    for (const std::string& text : linesSince(mark)) {
        if (text.find("生成写标签命令串=") == std::string::npos) continue;
        if (logged == 0) first = text;
        last = text;
        ++logged;
    }
    EXPECT_EQ(logged, 1000u);
    EXPECT_EQ(object->WriteLogBudget, 0);
    EXPECT_EQ(first, systeminfo::DevTypeName() + "类型=Ostrevane808，" + systeminfo::DevIDName() +
                         "=1[T1 地址=SL1:0.0 写入值=0,]生成写标签命令串=" + select(1, "SL", "  0.0"));
    EXPECT_NE(last.find("写入值=999,"), std::string::npos);
}

TEST_F(Writes, WithoutTheDebugSwitchNoWriteIsLoggedAndTheBudgetIsKept)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0")}));
    const size_t mark = logMark();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(write(1, static_cast<double>(i)));
    EXPECT_TRUE(linesSince(mark).empty());
    EXPECT_EQ(object->WriteLogBudget, 1000);
}
