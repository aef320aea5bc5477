// Request frames: polls, selects with their value texts, and the block check.
#include <string>

#include "protocol_fixture.h"

using namespace prototest;

TEST_F(ProtocolTest, PollsCarryTheDeviceNumberDoubledAndNoBlockCheck)
{
    EXPECT_EQ(frame(addTag("PV", 1), false), "\x04\x30\x30\x31\x31\x50\x56\x05");
    const struct {
        const char* mnemonic;
        int32_t device;
    } rows[] = {{"PV", 0}, {"PV", 99}, {"SP", 12}, {"Hb", 7}, {"HB", 7}};  // mnemonics keep their case
    for (const auto& row : rows)
        EXPECT_EQ(frame(addTag(row.mnemonic, row.device), false), poll(row.device, row.mnemonic));
    EXPECT_EQ(frame(addTag("??", 1), false), "");
    TCommand scratch;
    EXPECT_EQ(object->GetAnswerMainStr(scratch, addTag("PV", 10), false), "\0020APV");
}

TEST_F(ProtocolTest, AnalogWriteValuesAreFixedPointWithOneDecimalPaddedToFive)
{
    const struct {
        double value;
        const char* text;
    } rows[] = {{25, " 25.0"},          {-5.5, " -5.5"},           {0, "  0.0"},         {1234.5, "1234.5"},
                {0.05, "  0.1"},        {0.15, "  0.2"},           {-25.25, "-25.3"},    {9.96, " 10.0"},
                {-0.04, "  0.0"},       {12345.6, "12346.0"},      {9999.96, "10000.0"}, {99999.4, "99999.0"},
                {100000, "1.0000E+05"}, {-123456.7, "-1.2346E+05"}};
    for (const auto& row : rows) {
        TDLLTag& tag = addTag("SL", 1, OSTREVANE_VALUE_NUMBER, row.value);
        EXPECT_EQ(frame(tag, true), "\0040011" + reply("SL", row.text)) << row.value;
    }
    EXPECT_EQ(frame(addTag("SL", 1, OSTREVANE_VALUE_NUMBER, 25.0), true),
              "\x04\x30\x30\x31\x31\x02\x53\x4C\x20\x32\x35\x2E\x30\x03\x25");
}

TEST_F(ProtocolTest, OtherWritesCarryTheWordOrNothing)
{
    // A switch or a text tag writes one bit: the frame carries the word it belongs to.
    TDLLTag& flag = addTag("SW", 1, OSTREVANE_VALUE_BOOLEAN, true);
    flag.writeNumber = 9;
    EXPECT_EQ(object->CreateValueStr(flag, true), "000009");
    TDLLTag& text = addTag("SW", 1, OSTREVANE_VALUE_TEXT, std::string("1"));
    text.writeNumber = 65535;
    EXPECT_EQ(frame(text, true), "\0040011\002SW065535\003\007");
    // A read-only type has no value and a NUL check; a type unknown, no frame.
    EXPECT_EQ(frame(addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 25.0), true), std::string("\0040011\002PV\003", 10));
    EXPECT_EQ(frame(addTag("??", 1, OSTREVANE_VALUE_NUMBER, 25.0), true), "");
    // A value that is no number is logged, and the frame is assembled around nothing.
    EXPECT_EQ(frame(addTag("SL", 1, OSTREVANE_VALUE_NUMBER, std::string("abc")), true), "\0040011" + reply("SL", ""));
    EXPECT_NE(log.content().find("：TCustomDLLObject.CreateValueStr异常！\r\n"), std::string::npos);
}

TEST_F(ProtocolTest, BlockCheckIsTheExclusiveOrOfTheText)
{
    const struct {
        std::string text;
        char check;
    } rows[] = {{"", '\0'}, {"AA", '\0'}, {"\x01\x03", '\x02'}, {"0011SL 25.0\x03", '\x25'}, {"\xFF\x0F", '\xF0'}};
    for (const auto& row : rows) EXPECT_EQ(object->CheckCRC(row.text), row.text + row.check);
}
