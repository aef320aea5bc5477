// Request frames, replies and value texts, one operation at a time: a driver object
// without a port whose tag table and current command a test fills directly.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "definitions/FrameDef.h"
#include "driver/DLLMain.h"
#include "platform/calendar.h"
#include "protocol/DLLRealize.h"
#include "protocol/ValueText.h"
#include "support/memory_line.h"
#include "support/test_support.h"

namespace {

using testing_support::poll;
using testing_support::reply;

inline int32_t typeOf(std::string_view mnemonic)
{
    for (int32_t i = 0; i < def::kTagTypeCount; ++i)
        if (def::TagTypeInfo[static_cast<size_t>(i)].mnemonic == mnemonic) return i;
    return -1;
}

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest() { driver::libraryInitialise(); }

    TDLLTag& addTag(std::string_view mnemonic, int32_t deviceNo, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                    TagValue value = 0.0)
    {
        auto& tag = object->TagTable.emplace_back(std::make_unique<TDLLTag>());
        tag->tableIndex = static_cast<int32_t>(object->TagTable.size() - 1);
        tag->typeString = std::string(mnemonic);
        tag->tagTypeIndex = typeOf(mnemonic);
        tag->deviceNo = deviceNo;
        tag->valueType = valueType;
        tag->value = std::move(value);
        return *tag;
    }
    TCommand& makeCurrent(std::string_view mnemonic, bool write, std::initializer_list<int32_t> tags = {0})
    {
        command.write = write;
        command.tagTypeIndex = typeOf(mnemonic);
        command.typeString = std::string(mnemonic);
        command.tagIndexes.assign(tags.begin(), tags.end());
        object->CurrentCommand = &command;
        return command;
    }
    std::string frame(TDLLTag& tag, bool write)
    {
        TCommand scratch;
        scratch.write = write;
        return object->GetAskStr(scratch, tag, write);
    }

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::unique_ptr<TDLLObject> object = std::make_unique<TDLLObject>();
    TCommand command;
};

}  // namespace

TEST_F(ProtocolTest, PollsCarryTheDeviceNumberDoubledAndNoBlockCheck)
{
    EXPECT_EQ(frame(addTag("PV", 1), false), "\x04\x30\x30\x31\x31\x50\x56\x05");
    for (const auto& [mnemonic, device] : {std::pair{"PV", 0}, {"PV", 99}, {"SP", 12}, {"Hb", 7}, {"HB", 7}})
        EXPECT_EQ(frame(addTag(mnemonic, device), false), poll(device, mnemonic));  // mnemonics keep their case
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
    // A read-only type has no value and a NUL check.
    EXPECT_EQ(frame(addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 25.0), true), std::string("\0040011\002PV\003", 10));
    // A value that is no number is logged, and the frame is assembled around nothing.
    EXPECT_EQ(frame(addTag("SL", 1, OSTREVANE_VALUE_NUMBER, std::string("abc")), true), "\0040011" + reply("SL", ""));
    EXPECT_NE(log.content().find("：TCustomDLLObject.CreateValueStr异常！\r\n"), std::string::npos);
}

TEST_F(ProtocolTest, AReplyIsAcceptedOnlyAsTheWholeFrameOfTheCommand)
{
    addTag("PV", 1);
    const std::string good = reply("PV", "25.0");
    std::string wrongCheck = good, wrongData = good, stxHit = good;
    wrongCheck.back() ^= 0x01;
    wrongData[4] = '6';
    stxHit[0] = '0';
    makeCurrent("PV", false);
    for (const std::string& text : {good, "\xFF" + good, reply("PV", "")}) EXPECT_TRUE(object->CheckResult(text));
    // Another parameter's reply, damaged ones, two at once, a covered part that also starts
    // at the first byte, and a piece whose last byte is P ^ V ^ 2, which the block check
    // alone would take for a reply; and every piece of a reply still arriving.
    for (const std::string& text : {reply("SP", "25.0"), stxHit, wrongCheck, wrongData, good + 'x', good + good,
                                    std::string("\x03\x03\x03\x03Q"), std::string("\x02PV24")})
        EXPECT_FALSE(object->CheckResult(text)) << testing::PrintToString(text);
    for (size_t length = 1; length < good.size(); ++length) EXPECT_FALSE(object->CheckResult(good.substr(0, length)));
    makeCurrent("PV", true);  // a write is acknowledged by a lone ACK
    EXPECT_TRUE(object->CheckResult("\x06"));
    EXPECT_FALSE(object->CheckResult("\x06\x06"));
    EXPECT_FALSE(object->CheckResult(reply("PV", "25.0")));
}

TEST_F(ProtocolTest, TheDataPartLiesBetweenTheMnemonicAndETX)
{
    TCommand read, write;
    read.tagTypeIndex = typeOf("PV");
    write.tagTypeIndex = typeOf("SL");
    write.write = true;
    const struct {
        TCommand* command;
        std::string reply;
        const char* data;
    } rows[] = {{&read, reply("PV", "25.0"), "25.0"},
                {&read, "\xFFPV" + reply("PV", "-5.5"), "-5.5"},
                {&read, "\x02P", ""},
                {&read, "", ""},
                {&write, "\x06", ""},
                {&write, "\0060011!", "1"}};
    for (const auto& row : rows) EXPECT_EQ(object->GetEchoDataStr(row.reply, *row.command), row.data);
    EXPECT_EQ(object->GetCrcSourceStr(reply("PV", "1")), "PV1\x03");
    EXPECT_EQ(object->GetCrcSourceStr("\x02"), "");
}

TEST_F(ProtocolTest, DataDecodeIntoTheTagsValueTypeAndKeepTheValueOtherwise)
{
    constexpr uint8_t number = OSTREVANE_VALUE_NUMBER, flag = OSTREVANE_VALUE_BOOLEAN, text = OSTREVANE_VALUE_TEXT;
    const struct {
        uint8_t type;
        const char* data;
        TagValue before, after;
    } rows[] = {{number, "25.0", 7.25, 25.0},
                {number, "12-34", 7.25, -12.34},
                {number, ">0021", 7.25, 33.0},
                {number, ">A001", 7.25, 40961.0},
                {number, "25.0 ", 7.25, 7.25},
                {number, "1.5E+03", 7.25, 7.25},
                {number, ">XY", 7.25, 7.0},
                {number, "+4", 7.25, 4.0},
                {number, "25.0\r\n", 7.25, 25.0},
                {number, "", 7.25, 7.25},
                {flag, "1", false, true},
                {flag, "1.9", false, true},
                {flag, "0", true, false},
                {flag, "2", true, false},
                {flag, "-1", true, false},
                {flag, "xx", true, true},
                {flag, "", true, true},
                {text, " 25.0", "old", " 25.0"},
                {text, "", "old", ""}};
    for (const auto& row : rows) {
        object->TagTable.clear();
        TDLLTag& tag = addTag("PV", 1, row.type, row.before);
        tag.quality = OSTREVANE_QUALITY_BAD;
        makeCurrent("PV", false);
        const bool taken = *row.data || row.type == text;
        EXPECT_EQ(object->CommAnalyze(reply("PV", row.data), command, object->TagTable), taken);
        EXPECT_EQ(tag.value, row.after) << row.data;
        EXPECT_EQ(tag.quality, OSTREVANE_QUALITY_GOOD);
        EXPECT_EQ(tag.timeStamp, taken ? platform::toOleDate(clock.now) : 0) << row.data;
    }
}

TEST(ValueText, TheFirstNumberOfTheDataIsFoundAndCutBeforeTheNextSign)
{
    const struct {
        const char* data;
        const char* number;
    } rows[] = {{"25.0", "25.0"},   {" -3.5", "-3.5"},  {"12-34", "-12.34"}, {"1.5E+03", "1.5E"}, {"  +7", "+7"},
                {"\r", ""},         {"abc", ""},        {"ab12cd", "12cd"},  {"1-2-3", "-1.2.3"}, {"9-", "9"},
                {" 2-34", " 2.34"}, {"-12.3", "-12.3"}, {"x25.0", "25.0"}};
    for (const auto& row : rows) EXPECT_EQ(valuetext::GetNumberStr(row.data), row.number) << row.data;
    EXPECT_EQ(valuetext::GetNumberStr("25.0", 1), "");
    EXPECT_EQ(valuetext::hexNumberText(">A001"), "A001");
    EXPECT_EQ(valuetext::hexNumberText(">12+4"), "12");
    EXPECT_EQ(valuetext::hexNumberText("0021"), "");
}
