// Reply checks and decoding into tag values.
#include <string>
#include <vector>

#include "platform/calendar.h"
#include "protocol_fixture.h"

using namespace prototest;

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

TEST_F(ProtocolTest, EveryTagOfTheCommandReceivesTheValueAndTheStatusIsReported)
{
    addTag("PV", 1);
    addTag("PV", 1, OSTREVANE_VALUE_BOOLEAN, false);
    TCommand& current = makeCurrent("PV", false, {0, 1, 42, -1});  // positions without a tag are passed over
    current.typeString = "TEST";
    EXPECT_TRUE(object->CommAnalyze(reply("PV", "1.0"), command, object->TagTable));
    EXPECT_EQ(object->TagTable[0]->value, TagValue(1.0));
    EXPECT_EQ(object->TagTable[1]->value, TagValue(true));
    EXPECT_EQ(object->StatusMsg, "通讯成功");  // a test command announces its success
    object->StatusMsg.clear();
    current.typeString = "PV";
    current.write = true;
    EXPECT_EQ(object->GetEchoStatusStr("\x06", current), "");
    EXPECT_EQ(object->StatusMsg, "");
    EXPECT_EQ(object->GetEchoStatusStr("\00601?x", current), "?x");
    EXPECT_EQ(object->StatusMsg, "非法的命令");
    EXPECT_EQ(object->GetEchoStatusStr("\00601!", current), "!");
    EXPECT_EQ(object->StatusMsg, "读写正常");
}
