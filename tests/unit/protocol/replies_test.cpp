// Reply checks and decoding into tag values.
#include <string>
#include <vector>

#include "definitions/FrameDef.h"
#include "platform/calendar.h"
#include "protocol_fixture.h"

using namespace prototest;

namespace {

class Replies : public ProtocolTest {
protected:
    // Runs the decoding the poll cycle runs for an accepted reply.
    bool decode(const std::string& reply) { return object->CommAnalyze(reply, command, object->TagTable); }
};

}  // namespace

TEST_F(Replies, AReadReplyIsAcceptedOnlyAsTheFrameOfThePolledParameter)
{
    addTag("PV", 1);
    makeCurrent("PV", false);
    const std::string good = readReply("PV", "25.0");
    ASSERT_EQ(good, bytes("\x02" "PV25.0" "\x03") + static_cast<char>('P' ^ 'V' ^ '2' ^ '5' ^ '.' ^ '0' ^ 3));
    struct Row {
        const char* what;
        std::string reply;
        bool accepted;
    };
    std::string wrongCheck = good;
    wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 0x01);
    std::string wrongData = good;
    wrongData[4] = '6';
    std::string stxHit = good;
    stxHit[0] = '0';
    const std::vector<Row> rows = {
        {"complete", good, true},
        {"noise before the STX", bytes("\xFF\x00" "PV") + good, true},
        {"a doubled STX", bytes("\x02") + good, true},
        {"another parameter's reply", readReply("SP", "25.0"), false},
        {"the STX hit by noise", stxHit, false},
        {"no STX at all", good.substr(1), false},
        {"no data", readReply("PV", ""), true},
        {"wrong check", wrongCheck, false},
        {"data changed on the way", wrongData, false},
        {"a byte after the check", good + 'x', false},
        {"lone NUL", std::string(1, '\0'), false},
        {"lone EOT", bytes("\x04"), false},
        {"lone ETX", bytes("\x03"), false},
        {"noise", bytes("\xFF\xFE\x01"), false},
        {"two replies", good + good, false},
        // The covered part of this one also starts at its first byte: the check must
        // still be the byte after the covered part.
        {"a run of ETX and any byte", bytes("\x03\x03\x03\x03Q"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(object->CheckResult(row.reply), row.accepted);
    }
    // Every piece of a reply still arriving is turned down.
    for (size_t length = 1; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(object->CheckResult(good.substr(0, length)));
    }
}

TEST_F(Replies, APartOfAReplyThatPassesTheBlockCheckByChanceIsNotTakenForTheReply)
{
    addTag("PV", 1);
    makeCurrent("PV", false);
    // After STX P V 2 4 the last character equals P ^ V ^ 2: the block check alone
    // would take "2" for the value.
    const std::string arriving = bytes("\x02" "PV24");
    ASSERT_EQ('P' ^ 'V' ^ '2', '4');
    EXPECT_TRUE(object->TCustomDLLObject::CheckResult(arriving));
    EXPECT_FALSE(object->CheckResult(arriving));
    EXPECT_TRUE(object->CheckResult(readReply("PV", "24.0")));
}

TEST_F(Replies, AWriteIsAcknowledgedByALoneACK)
{
    addTag("SL", 1);
    makeCurrent("SL", true);
    EXPECT_TRUE(object->CheckResult(bytes("\x06")));
    EXPECT_FALSE(object->CheckResult(bytes("\x06\x06")));
    EXPECT_FALSE(object->CheckResult(bytes("\x06x")));
    EXPECT_FALSE(object->CheckResult(bytes("\x15")));
    EXPECT_FALSE(object->CheckResult(bytes("\x04")));
    EXPECT_FALSE(object->CheckResult(readReply("SL", "25.0")));
}

TEST_F(Replies, TheDataPartLiesBetweenTheMnemonicAndETX)
{
    TCommand read;
    read.tagTypeIndex = typeOf("PV");
    TCommand write;
    write.tagTypeIndex = typeOf("SL");
    write.write = true;
    struct Row {
        TCommand* command;
        std::string reply;
        const char* data;
    };
    const Row rows[] = {
        {&read, readReply("PV", "25.0"), "25.0"},
        {&read, readReply("PV", ""), ""},
        {&read, bytes("\xFF" "PV") + readReply("PV", "-5.5"), "-5.5"},
        {&read, bytes("\x02" "P"), ""},
        {&read, bytes("\x02"), ""},
        {&read, "", ""},
        {&write, bytes("\x06"), ""},
        {&write, bytes("\x06" "0011" "!"), "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        EXPECT_EQ(object->GetEchoDataStr(row.reply, *row.command), row.data);
    }
    EXPECT_EQ(object->GetCrcSourceStr(readReply("PV", "1")), bytes("PV1\x03"));
    EXPECT_EQ(object->GetCrcSourceStr(bytes("\x02")), "");
}

TEST_F(Replies, AnalogDataDecodeAsDecimalOrHexadecimalAndKeepTheValueOtherwise)
{
    struct Row {
        const char* data;
        double value;
    };
    const Row rows[] = {
        {"25.0", 25},       {" -3.5", -3.5},     {"12-34", -12.34},   {">0021", 33},    {">A001", 0xA001},
        {"25.0 ", 7.25},    {"1.5E+03", 7.25},   {"abc", 7.25},       {">", 7},         {">XY", 7},
        {"1e2", 100},       {"+4", 4},           {"25.0\r\n", 25},
    };
    TDLLTag& tag = addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 7.25);
    makeCurrent("PV", false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        tag.value = 7.25;
        tag.timeStamp = 0;
        tag.quality = OSTREVANE_QUALITY_BAD;
        EXPECT_TRUE(decode(readReply("PV", row.data)));
        EXPECT_EQ(tag.value, TagValue(row.value));
        EXPECT_EQ(tag.quality, OSTREVANE_QUALITY_GOOD);
        EXPECT_GT(tag.timeStamp, 0);  // also when the value stays
    }
}

TEST_F(Replies, SwitchDataAreTrueOnlyForOne)
{
    struct Row {
        const char* data;
        bool before;
        bool after;
    };
    const Row rows[] = {
        {"1", false, true},  {"1.9", false, true}, {"0", true, false},  {"2", true, false},
        {"-1", true, false}, {"xx", true, true},   {"xx", false, false}, {" 1.0", false, true},
    };
    TDLLTag& tag = addTag("SW", 1, OSTREVANE_VALUE_BOOLEAN, false);
    makeCurrent("SW", false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        tag.value = row.before;
        decode(readReply("SW", row.data));
        EXPECT_EQ(tag.value, TagValue(row.after));
    }
}

TEST_F(Replies, TextTagsTakeTheWholeDataPartEvenWhenEmpty)
{
    TDLLTag& tag = addTag("PV", 1, OSTREVANE_VALUE_TEXT, std::string("old"));
    makeCurrent("PV", false);
    EXPECT_TRUE(decode(readReply("PV", " 25.0")));
    EXPECT_EQ(tag.value, TagValue(std::string(" 25.0")));
    EXPECT_TRUE(decode(readReply("PV", "")));
    EXPECT_EQ(tag.value, TagValue(std::string()));
}

TEST_F(Replies, EmptyDataLeaveAnalogAndSwitchTagsAsTheyWereButGood)
{
    TDLLTag& number = addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 5.0);
    TDLLTag& flag = addTag("PV", 1, OSTREVANE_VALUE_BOOLEAN, true);
    number.quality = flag.quality = OSTREVANE_QUALITY_BAD;
    makeCurrent("PV", false, {0, 1});
    EXPECT_FALSE(decode(readReply("PV", "")));
    EXPECT_EQ(number.value, TagValue(5.0));
    EXPECT_EQ(flag.value, TagValue(true));
    EXPECT_EQ(number.timeStamp, 0);
    EXPECT_EQ(number.quality, OSTREVANE_QUALITY_GOOD);
    EXPECT_EQ(flag.quality, OSTREVANE_QUALITY_GOOD);
}

TEST_F(Replies, EveryTagOfTheCommandReceivesTheValue)
{
    TDLLTag& first = addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 0.0);
    TDLLTag& second = addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 0.0);
    TDLLTag& flag = addTag("PV", 1, OSTREVANE_VALUE_BOOLEAN, false);
    makeCurrent("PV", false, {0, 1, 2, 42, -1});  // positions without a tag are passed over
    EXPECT_TRUE(decode(readReply("PV", "1.0")));
    EXPECT_EQ(first.value, TagValue(1.0));
    EXPECT_EQ(second.value, TagValue(1.0));
    EXPECT_EQ(flag.value, TagValue(true));
    EXPECT_DOUBLE_EQ(first.timeStamp, platform::toOleDate(clock.now));
}

TEST_F(Replies, ATestCommandAnnouncesItsSuccess)
{
    addTag("PV", 1);
    TCommand& test = makeCurrent("PV", false);
    test.typeString = "TEST";
    decode(readReply("PV", "1"));
    EXPECT_EQ(object->StatusMsg, "通讯成功");
    object->StatusMsg.clear();
    test.typeString = "PV";
    decode(readReply("PV", "1"));
    EXPECT_EQ(object->StatusMsg, "");
}

TEST_F(Replies, AWriteReplysStatusPartNamesTheOutcome)
{
    addTag("SL", 1);
    TCommand& write = makeCurrent("SL", true);
    EXPECT_EQ(object->GetEchoStatusStr(bytes("\x06"), write), "");
    EXPECT_EQ(object->StatusMsg, "");
    EXPECT_EQ(object->GetEchoStatusStr(bytes("\x06" "01?x"), write), "?x");
    EXPECT_EQ(object->StatusMsg, "非法的命令");
    EXPECT_EQ(object->GetEchoStatusStr(bytes("\x06" "01!"), write), "!");
    EXPECT_EQ(object->StatusMsg, "读写正常");
}
