// Host writes: which are refused (and leave everything as it was), which switch the
// driver at once, the word a write carries (a whole value for analog tags; for switch
// and text tags the parameter's word last written with one bit changed), and writes in
// the poll cycle: served after the exchange under way in the order of the latest calls,
// sent once more when not acknowledged, held back by a switched-off line or device, and
// a host writing faster than the line carries.
#include <limits>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "sysinfo/version_info.h"

using namespace enginetest;

namespace {
constexpr size_t kLimit = TBaseDLLObject::kWriteQueueLimit;
}  // namespace

TEST_F(Engine, ARefusedWriteLeavesEverythingAsItWasAndLogsOneLineUnderErrorOutput)
{
    const struct {
        uint32_t id;
        TagValue value;
        std::string message;
        bool noNumber = false;  // the value text cannot be made: that failure is logged too
    } rows[] = {{99, 1.0, "写标签错误,标签不存在!"},
                {5, 1.0, "标签T5不可写!"},    // the overall link state
                {6, 1.0, "标签T6不可写!"},    // a device's link state
                {2, 1.0, "标签T2不可写!"},    // a measured value
                {8, 1.0, "标签T8不可写!"},    // only begins with ENLOG
                {12, 0.0, "标签T12不可写!"},  // no device 150
                {1, true, "标签T1写错误,标签不是开关量类型!"},
                {3, 1.0, "标签T3写错误,标签不是模拟量类型!"},
                {1, std::string("25"), "标签T1写错误,标签不是字符串类型!"},
                {4, true, "标签T4写错误,标签不是开关量类型!"},
                {7, std::string("on"), "标签T7写错误,开关值只能是1或0!"},
                {1, std::numeric_limits<double>::quiet_NaN(), "对标签T1错误的写操作!", true},
                {1, std::numeric_limits<double>::infinity(), "对标签T1错误的写操作!", true}};
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0"), hostTag(3, "SW1:0.3", kSwitch),
                       hostTag(4, "SW1:0.3", kText), hostTag(5, "COMMLINK"), hostTag(6, "DEVICELINK1"),
                       hostTag(7, "ENLOG", kSwitch), hostTag(8, "ENLOG2"), hostTag(9, "ENCOMMLINK"),
                       hostTag(10, "ENDEVICELINK3", kSwitch), hostTag(11, "HS3:0.0"), hostTag(12, "ENDEVICELINK150")}));
    ASSERT_TRUE(write(11, 5.0));  // a write already waiting
    ASSERT_TRUE(write(3, true));  // the word of SW1 is 8 now
    for (const bool errorOutput : {true, false}) {
        object->PDB.ErrorOutput = errorOutput ? 1 : 0;
        for (const auto& row : rows) {
            const Snapshot before = snapshot();
            const size_t mark = logMark();
            EXPECT_FALSE(write(row.id, row.value)) << row.message;
            EXPECT_TRUE(snapshot() == before) << row.message;
            std::vector<std::string> expected;
            if (row.noNumber) expected.push_back("TCustomDLLObject.CreateValueStr异常！");
            if (errorOutput) expected.push_back(row.message);
            EXPECT_EQ(linesSince(mark), expected);
        }
    }
}

TEST_F(Engine, SwitchTagsActAtOnceInEveryValueType)
{
    // Tags 1-3 switch traffic logging, 4-6 the line, 7-9 device 3; a switch takes a
    // Boolean whatever its value type.
    const std::string device = systeminfo::DeviceName();
    const struct {
        uint32_t id;
        TagValue value;
        bool on;
        TagValue shown;
    } rows[] = {{1, 0.0, false, 0.0},
                {1, 2.5, true, 1.0},
                {2, false, false, false},
                {1, true, true, 1.0},
                {3, std::string("0"), false, std::string("禁止写日志")},
                {3, std::string("1"), true, std::string("允许写日志")},
                {4, 0.0, false, 0.0},
                {5, true, true, true},
                {6, std::string("0"), false, device + "关闭通信线路"},
                {6, std::string("1"), true, device + "打开通信线路"},
                {7, 0.0, false, 0.0},
                {8, true, true, true},
                {9, std::string("0"), false, std::string("0")},
                {9, std::string("1"), true, std::string("1")}};
    ASSERT_TRUE(
        start({hostTag(1, "ENLOG"), hostTag(2, "enlog", kSwitch), hostTag(3, "ENLOG", kText), hostTag(4, "ENCOMMLINK"),
               hostTag(5, "ENCOMMLINK", kSwitch), hostTag(6, "ENCOMMLINK", kText), hostTag(7, "ENDEVICELINK3"),
               hostTag(8, "ENDEVICELINK3", kSwitch), hostTag(9, "ENDEVICELINK3", kText), hostTag(10, "PV1:0.0")}));
    const size_t sent = line->sent.size();
    for (const auto& row : rows) {
        EXPECT_TRUE(write(row.id, row.value)) << row.id;
        EXPECT_EQ(row.id <= 3   ? object->LogEnabled
                  : row.id <= 6 ? object->CommLineEnabled
                                : object->DevEnabled[3] != 0,
                  row.on)
            << row.id;
        EXPECT_EQ(tag(row.id - 1).value, row.shown) << row.id;
    }
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_EQ(line->sent.size(), sent);
}

TEST_F(Engine, BitWritesStartFromTheWordLastWrittenThroughAnyTagOfTheParameter)
{
    const struct {
        uint32_t id;
        TagValue value;
        float word;
        std::string valueText;
    } steps[] = {
        {1, true, 1, "000001"},  // bit 0 of 0
        {2, true, 9, "000009"},  // bit 3 on top of it
        {2, false, 1, "000001"},
        {3, std::string("1"), 9, "000009"},  // the same bit through a text tag
        {3, std::string("0"), 1, "000001"},
        {3, std::string("abc"), 1, "000001"},  // any other text leaves the word
        {4, 258.0, 258, "258.0"},              // a whole value
        {2, true, 266, "000266"},
        {4, 70000.0, 70000, "70000.0"},
        {1, false, 4464, "004464"},             // 70000 with bit 0 cleared, kept to 16 bits
        {5, true, 37232, "037232"},             // the top bit
        {5, std::monostate{}, 4464, "004464"},  // a value of another kind reads as off
    };
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "SW1:0.3", kSwitch), hostTag(3, "SW1:0.3", kText),
                       hostTag(4, "SW1:0.0"), hostTag(5, "SW1:0.15", kSwitch), hostTag(6, "PV1:0.0")}));
    for (const auto& step : steps) {
        const std::vector<TagValue> values = {tag(0).value, tag(1).value, tag(2).value, tag(3).value, tag(4).value};
        ASSERT_TRUE(write(step.id, step.value)) << step.valueText;
        for (size_t position = 0; position < 5; ++position) {
            EXPECT_EQ(tag(position).writeNumber, step.word) << step.valueText << " tag " << position;
            EXPECT_EQ(tag(position).value, values[position]) << "no tag changes before the acknowledgement";
        }
        EXPECT_EQ(object->WriteQueue.back()->request, select(1, "SW", step.valueText));
    }
}

TEST_F(Engine, ANewerWholeValueSupersedesTheWaitingOneButNotOneOnTheLineAndBitWritesAreNeverMerged)
{
    ASSERT_TRUE(start(
        {hostTag(1, "SL1:0.0"), hostTag(2, "HS1:0.0"), hostTag(3, "SW1:0.0", kSwitch), hostTag(4, "SL1:0.0", kText)}));
    pass();
    EXPECT_TRUE(write(1, 25.0));
    EXPECT_TRUE(write(2, 5.0));
    EXPECT_TRUE(write(1, 30.0));
    EXPECT_EQ(answer(reply("SL", " 10.0")), 1);
    EXPECT_EQ(lastSent(), select(1, "HS", "  5.0"));
    answer(kAck);
    ASSERT_EQ(lastSent(), select(1, "SL", " 30.0"));
    // On the line now; a pulse (on, then off) and a newer value queue behind it.
    ASSERT_TRUE(write(3, true));
    ASSERT_TRUE(write(3, false));
    ASSERT_TRUE(write(1, 25.0));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(answer(kAck), 1);
    const std::vector<std::string> expected = {select(1, "SL", " 30.0"), select(1, "SW", "000001"),
                                               select(1, "SW", "000000"), select(1, "SL", " 25.0"), poll(1, "HS")};
    EXPECT_EQ(std::vector<std::string>(line->sent.end() - 5, line->sent.end()), expected);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    EXPECT_EQ(tag(1).value, TagValue(5.0));
    EXPECT_EQ(tag(2).value, TagValue(false));
    // The text tag, created without a host value, stands for its address's bit 0 of 25 (11001).
    EXPECT_EQ(tag(3).value, TagValue(std::string("1")));
}

TEST_F(Engine, AWriteThatIsNotAcknowledgedIsSentExactlyTwiceAndItsTagTurnsBad)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0")}));
    pass();
    ASSERT_TRUE(write(1, 25.0));
    const std::string frame = select(1, "SL", " 25.0");
    answer(reply("SL", " 10.0"));
    answer("\x15");  // a refusal is no acknowledgement: the exchange waits for its time-out
    timeOut();
    EXPECT_EQ(lastSent(), frame);
    EXPECT_EQ(tag(0).quality, kGood);
    timeOut();
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, kBad);
    EXPECT_EQ(tag(0).value, TagValue(10.0));
    EXPECT_EQ(tag(0).writeFailures, 2u);
    // Polling goes on and never sends the write again; the parameter's next reply makes its tag good.
    answer(reply("PV", "1"));
    answer(reply("SL", "11"));
    EXPECT_EQ(sentCount(frame), 2u);
    EXPECT_EQ(tag(0).quality, kGood);
}

TEST_F(Engine, AWriteToASwitchedOffLineOrDeviceIsNeverSentAndTimesOutTwice)
{
    for (const char* address : {"ENCOMMLINK", "ENDEVICELINK1"}) {
        ASSERT_TRUE(start({hostTag(1, "PV3:0.0"), hostTag(2, "SL1:0.0"), hostTag(3, address, kSwitch)}));
        pass();
        ASSERT_TRUE(write(3, false));
        EXPECT_TRUE(write(2, 25.0));
        answer(reply("PV", "1"));  // the write is due now, but not sent
        EXPECT_NE(object->WriteChain, nullptr);
        for (int i = 0; i < 3; ++i) timeOut();
        EXPECT_EQ(tag(1).quality, kBad) << address;
        EXPECT_EQ(object->WriteChain, nullptr);
        EXPECT_EQ(sentCount(select(1, "SL", " 25.0")), 0u);
        const size_t sent = line->sent.size();
        ASSERT_TRUE(write(3, true));
        timeOut();
        EXPECT_GT(line->sent.size(), sent);  // polling resumes
    }
}

TEST_F(Engine, BeyondTheQueueLimitAWriteIsRefusedUnlessItSupersedesAWaitingOne)
{
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "SL1:0.0"), hostTag(3, "HS1:0.0")}));
    object->PDB.ErrorOutput = 1;
    ASSERT_TRUE(write(2, 1.0));
    for (size_t i = 1; i < kLimit; ++i) ASSERT_TRUE(write(1, i % 2 == 0)) << i;
    const Snapshot before = snapshot();
    const size_t mark = logMark();
    EXPECT_FALSE(write(1, true));
    EXPECT_FALSE(write(3, 2.0));
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{"标签T1写错误,写命令队列已满!", "标签T3写错误,写命令队列已满!"}));
    EXPECT_EQ(object->takeStatusMsg(), "标签T3写错误,写命令队列已满!");
    EXPECT_TRUE(write(2, 3.0));  // takes the waiting value's place
    EXPECT_EQ(object->WriteQueue.size(), kLimit);
    EXPECT_EQ(object->WriteQueue.back()->request, select(1, "SL", "  3.0"));
    EXPECT_NE(object->WriteQueue.front()->request, select(1, "SL", "  1.0"));
}

TEST_F(Engine, AfterTenWritesInARowOnePollGoesOutAndAQueueFilledOnASilentLineDrains)
{
    OstrevanePDB debug = plant();
    debug.DebugSwitch = 1;  // write commands are logged, the first thousand of them
    ASSERT_TRUE(start({hostTag(1, "SW1:0.0", kSwitch), hostTag(2, "PV1:0.0")}, debug));
    pass();
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(write(1, i % 2 == 0));
    answer(reply("SW", "1"));
    std::string order;
    for (int i = 0; i < 14; ++i) {
        const bool isWrite = lastSent()[5] == '\x02';
        order += isWrite ? 'W' : 'P';
        answer(isWrite ? std::string(kAck) : reply(lastSent().substr(5, 2), "1"));
    }
    EXPECT_EQ(order, std::string(10, 'W') + "PWWP");
    // Nothing answers now: every write is tried twice, a poll goes out after every ten.
    for (size_t i = 0; i < kLimit; ++i) ASSERT_TRUE(write(1, i % 2 == 0));
    size_t polls = 0;
    for (size_t step = 0; step < 2 * kLimit + 200 && !object->WriteQueue.empty(); ++step) {
        timeOut();
        polls += lastSent().back() == '\x05';
    }
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_GE(polls, kLimit / 10 - 1);
    EXPECT_EQ(tag(0).quality, kBad);
    const std::string text = log.content(), made = "]生成写标签命令串=";
    size_t logged = 0;
    for (size_t at = text.find(made); at != std::string::npos; at = text.find(made, at + 1)) ++logged;
    EXPECT_EQ(logged, 1000u) << "of " << 12 + kLimit << " write commands";
}
