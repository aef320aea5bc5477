// Request frames and the frame tables behind them.
#include <string>

#include "definitions/FrameDef.h"
#include "protocol_fixture.h"

using namespace prototest;

namespace {

std::string readFrame(TDLLObject& object, TDLLTag& tag)
{
    TCommand scratch;
    return object.GetAskStr(scratch, tag, false);
}

std::string writeFrame(TDLLObject& object, TDLLTag& tag)
{
    TCommand scratch;
    scratch.write = true;
    return object.GetAskStr(scratch, tag, true);
}

}  // namespace

TEST(FrameTables, MnemonicsKeepTheirCaseAndEveryTypeFramesAlike)
{
    EXPECT_EQ(def::ReadAskCode[24], "Hb");
    EXPECT_EQ(def::ReadAskCode[18], "HB");
    EXPECT_EQ(def::ReadAskCode[25], "Lc");
    EXPECT_EQ(def::ReadAskCode[19], "LB");
    for (int type = 0; type < def::kTagTypeCount; ++type) {
        SCOPED_TRACE(type);
        EXPECT_EQ(def::ReadAskCode[type], def::TagTypeInfo[type].mnemonic);
        EXPECT_EQ(def::WriteAskCode[type], def::ReadAskCode[type]);
        EXPECT_EQ(def::ReadEchoCode[type], def::ReadAskCode[type]);
        EXPECT_EQ(def::ReadAskKind[type], def::kAskPoll);
        EXPECT_EQ(def::ReadEchoKind[type], def::kEchoText);
        // Exactly the read-only types have no write frame and no write value.
        const bool writable = def::WriteAllowed[type] != 0;
        EXPECT_EQ(def::WriteAskKind[type], writable ? def::kAskSelect : 0);
        EXPECT_EQ(def::WriteEchoKind[type], writable ? def::kEchoText : 0);
        EXPECT_EQ(def::WriteValueFormat[type], writable ? def::kValueFixed : def::kValueNone);
    }
}

TEST_F(ProtocolTest, PollOfPVOnDevice1IsTheEightBytesOfTheWorkedExample)
{
    TDLLTag& tag = addTag("PV", 1);
    EXPECT_EQ(readFrame(*object, tag), bytes("\x04\x30\x30\x31\x31\x50\x56\x05"));
}

TEST_F(ProtocolTest, PollCarriesTheDeviceNumberDoubledAndNeverABlockCheck)
{
    struct Row {
        const char* mnemonic;
        int32_t device;
        std::string frame;
    };
    const Row rows[] = {
        {"PV", 0, bytes("\x04" "0000" "PV" "\x05")},
        {"PV", 99, bytes("\x04" "9999" "PV" "\x05")},
        {"SP", 12, bytes("\x04" "1122" "SP" "\x05")},
        {"Hb", 7, bytes("\x04" "0077" "Hb" "\x05")},
        {"HB", 7, bytes("\x04" "0077" "HB" "\x05")},
        {"t2", 45, bytes("\x04" "4455" "t2" "\x05")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.mnemonic) + " " + std::to_string(row.device));
        TDLLTag& tag = addTag(row.mnemonic, row.device);
        EXPECT_EQ(readFrame(*object, tag), row.frame);
    }
}

TEST_F(ProtocolTest, WriteOf25ToSLIsTheFifteenBytesOfTheWorkedExample)
{
    TDLLTag& tag = addTag("SL", 1, OSTREVANE_VALUE_NUMBER, 25.0);
    const std::string frame = writeFrame(*object, tag);
    EXPECT_EQ(frame, bytes("\x04\x30\x30\x31\x31\x02\x53\x4C\x20\x32\x35\x2E\x30\x03\x25"));
    EXPECT_EQ(frame.size(), 15u);
}

TEST_F(ProtocolTest, AnalogWriteValuesAreFixedPointWithOneDecimalPaddedToFive)
{
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {25, " 25.0"},      {-5.5, " -5.5"},     {0, "  0.0"},        {1234.5, "1234.5"}, {0.05, "  0.1"},
        {0.15, "  0.2"},    {25.25, " 25.3"},    {-25.25, "-25.3"},   {9.96, " 10.0"},    {-0.04, "  0.0"},
        {12345.6, "12346.0"}, {9999.96, "10000.0"}, {99999.4, "99999.0"}, {3.14159, "  3.1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        TDLLTag& tag = addTag("SL", 1, OSTREVANE_VALUE_NUMBER, row.value);
        EXPECT_EQ(object->CreateValueStr(tag, true), row.text);
        const std::string frame = writeFrame(*object, tag);
        EXPECT_EQ(frame.substr(8, frame.size() - 10), row.text);
    }
}

TEST_F(ProtocolTest, BitWritesCarryTheWholeWordWithTheBitChanged)
{
    // A switch or a text tag writes one bit: the frame carries the word it belongs to.
    TDLLTag& flag = addTag("SW", 1, OSTREVANE_VALUE_BOOLEAN, true);
    flag.writeNumber = 9;
    EXPECT_EQ(object->CreateValueStr(flag, true), "000009");
    TDLLTag& text = addTag("SW", 1, OSTREVANE_VALUE_TEXT, std::string("1"));
    text.writeNumber = 65535;
    EXPECT_EQ(object->CreateValueStr(text, true), "065535");
    EXPECT_EQ(writeFrame(*object, text), bytes("\x04" "0011" "\x02" "SW065535" "\x03" "\x07"));
}

TEST_F(ProtocolTest, ReadOnlyTypesHaveNoWriteValueAndANulCheck)
{
    TDLLTag& tag = addTag("PV", 1, OSTREVANE_VALUE_NUMBER, 25.0);
    EXPECT_EQ(object->CreateValueStr(tag, true), "");
    EXPECT_EQ(writeFrame(*object, tag), bytes("\x04" "0011" "\x02" "PV" "\x03") + '\0');
}

TEST_F(ProtocolTest, ATagWithoutTypeHasNoFrameAndNoValue)
{
    TDLLTag& tag = addTag("??", 1, OSTREVANE_VALUE_NUMBER, 25.0);
    ASSERT_EQ(tag.tagTypeIndex, -1);
    EXPECT_EQ(readFrame(*object, tag), "");
    EXPECT_EQ(writeFrame(*object, tag), "");
    EXPECT_EQ(object->CreateValueStr(tag, true), "");
}

TEST_F(ProtocolTest, AValueThatIsNoNumberLeavesTheValueEmptyAndIsLogged)
{
    TDLLTag& tag = addTag("SL", 1, OSTREVANE_VALUE_NUMBER, std::string("abc"));
    EXPECT_EQ(object->CreateValueStr(tag, true), "");
    EXPECT_NE(log.content().find("：TCustomDLLObject.CreateValueStr异常！\r\n"), std::string::npos);
    // The frame is still assembled around the empty value.
    EXPECT_EQ(writeFrame(*object, tag), bytes("\x04" "0011" "\x02" "SL" "\x03") + static_cast<char>('S' ^ 'L' ^ 3));
}

TEST_F(ProtocolTest, BlockCheckIsTheExclusiveOrOfTheTextAsOneRawCharacter)
{
    struct Row {
        std::string text;
        char check;
    };
    const Row rows[] = {
        {"", '\0'},
        {"A", 'A'},
        {"AA", '\0'},
        {bytes("\x01\x03"), '\x02'},
        {bytes("0011SL 25.0\x03"), '\x25'},
        {bytes("\xFF\x0F"), static_cast<char>(0xF0)},
    };
    for (const Row& row : rows) EXPECT_EQ(object->CheckCRC(row.text), row.text + row.check);
}

TEST_F(ProtocolTest, ExpectedReplyIsSTXTheDeviceInHexAndTheMnemonic)
{
    TDLLTag& tag = addTag("PV", 10);
    TCommand scratch;
    EXPECT_EQ(object->GetAnswerMainStr(scratch, tag, false), bytes("\x02" "0APV"));
    EXPECT_EQ(object->GetAnswerMainStr(scratch, tag, true), "");
}
