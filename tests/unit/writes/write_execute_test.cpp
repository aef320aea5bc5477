// WriteExecute: which writes are refused (and leave everything as it was), which
// switch the driver at once, and which are queued as write commands.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sysinfo/version_info.h"
#include "write_fixture.h"

using namespace enginetest;
using namespace writetest;

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

std::vector<HostTagRec> refusalTags()
{
    return {hostTag(1, "SL1:0.0"),          hostTag(2, "PV1:0.0"),       hostTag(3, "SW1:0.3", kSwitch),
            hostTag(4, "SW1:0.3", kText),   hostTag(5, "COMMLINK"),      hostTag(6, "DEVICELINK1"),
            hostTag(7, "ENLOG", kSwitch),   hostTag(8, "ENLOG2"),        hostTag(9, "ENCOMMLINK"),
            hostTag(10, "ENDEVICELINK3", kSwitch), hostTag(11, "HS3:0.0"), hostTag(12, "ENDEVICELINK150")};
}

}  // namespace

TEST_F(Writes, ARefusedWriteLeavesTagsQueueAndSwitchesAsTheyWereAndLogsOneLineUnderErrorOutput)
{
    struct Row {
        uint32_t id;
        TagValue value;
        std::string message;
    };
    const Row rows[] = {
        {99, 1.0, "写标签错误,标签不存在!"},
        {5, 1.0, "标签T5不可写!"},  // the overall link state
        {6, 1.0, "标签T6不可写!"},  // a device's link state
        {2, 1.0, "标签T2不可写!"},  // a measured value
        {8, 1.0, "标签T8不可写!"},  // only begins with ENLOG
        {12, 0.0, "标签T12不可写!"},  // no device 150
        {1, true, "标签T1写错误,标签不是开关量类型!"},
        {3, 1.0, "标签T3写错误,标签不是模拟量类型!"},
        {1, std::string("25"), "标签T1写错误,标签不是字符串类型!"},
        {4, true, "标签T4写错误,标签不是开关量类型!"},
        {7, std::string("on"), "标签T7写错误,开关值只能是1或0!"},
    };
    ASSERT_TRUE(start(refusalTags()));
    ASSERT_TRUE(write(11, 5.0));  // a write already waiting
    for (const bool errorOutput : {true, false}) {
        object->PDB.ErrorOutput = errorOutput ? 1 : 0;
        for (const Row& row : rows) {
            const Snapshot before = snapshot();
            const size_t mark = logMark();
            EXPECT_FALSE(write(row.id, row.value)) << row.message;
            EXPECT_TRUE(snapshot() == before) << row.message;
            const std::vector<std::string> expected =
                errorOutput ? std::vector<std::string>{row.message} : std::vector<std::string>{};
            EXPECT_EQ(linesSince(mark), expected);
        }
    }
}

TEST_F(Writes, ANumberTheInstrumentCannotBeSentMakesNoCommandAndChangesNothing)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "SL1:0.1", kSwitch)}));
    object->PDB.ErrorOutput = 1;
    ASSERT_TRUE(write(2, true));
    const Snapshot before = snapshot();
    const size_t mark = logMark();
    for (const double value : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(write(1, value));
    EXPECT_TRUE(snapshot() == before);
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "对标签T1错误的写操作!"), 2);
}

TEST_F(Writes, SwitchTagsActAtOnceInEveryValueType)
{
    enum class Switch { Log, Line, Device3 };
    struct Row {
        uint32_t id;
        TagValue value;
        Switch which;
        bool on;
        TagValue shown;
    };
    const std::string device = systeminfo::DeviceName();
    const Row rows[] = {
        {1, 0.0, Switch::Log, false, 0.0},
        {1, 2.5, Switch::Log, true, 1.0},
        {2, false, Switch::Log, false, false},
        {1, true, Switch::Log, true, 1.0},  // a switch takes a Boolean whatever its value type
        {3, std::string("0"), Switch::Log, false, std::string("禁止写日志")},
        {3, std::string("1"), Switch::Log, true, std::string("允许写日志")},
        {4, 0.0, Switch::Line, false, 0.0},
        {5, true, Switch::Line, true, true},
        {6, std::string("0"), Switch::Line, false, device + "关闭通信线路"},
        {6, std::string("1"), Switch::Line, true, device + "打开通信线路"},
        {7, 0.0, Switch::Device3, false, 0.0},
        {8, true, Switch::Device3, true, true},
        {9, std::string("0"), Switch::Device3, false, std::string("0")},
        {9, std::string("1"), Switch::Device3, true, std::string("1")},
    };
    ASSERT_TRUE(start({hostTag(1, "ENLOG"), hostTag(2, "enlog", kSwitch), hostTag(3, "ENLOG", kText),
                       hostTag(4, "ENCOMMLINK"), hostTag(5, "ENCOMMLINK", kSwitch), hostTag(6, "ENCOMMLINK", kText),
                       hostTag(7, "ENDEVICELINK3"), hostTag(8, "ENDEVICELINK3", kSwitch),
                       hostTag(9, "ENDEVICELINK3", kText), hostTag(10, "PV1:0.0")}));
    const size_t sent = line->sent.size();
    for (const Row& row : rows) {
        const int32_t position = object->TagIndex.find(row.id);
        EXPECT_TRUE(write(row.id, row.value)) << row.id;
        const bool state = row.which == Switch::Log    ? object->LogEnabled
                           : row.which == Switch::Line ? object->CommLineEnabled
                                                       : object->DevEnabled[3] != 0;
        EXPECT_EQ(state, row.on) << row.id;
        EXPECT_EQ(tag(static_cast<size_t>(position)).value, row.shown) << row.id;
    }
    EXPECT_TRUE(object->WriteQueue.empty());
    EXPECT_EQ(line->sent.size(), sent);
}

TEST_F(Writes, AWriteIsQueuedAsASelectAndTheTagKeepsItsValueUntilTheInstrumentAcknowledges)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0")}));
    EXPECT_TRUE(write(1, 25.0));
    ASSERT_EQ(object->WriteQueue.size(), 1u);
    const TCommand& command = *object->WriteQueue.front();
    // EOT, 0011, STX, "SL 25.0", ETX and the block check: fifteen bytes.
    EXPECT_EQ(command.request, "\x04" "0011" "\x02" "SL 25.0\x03" "\x25");
    EXPECT_EQ(command.request.size(), 15u);
    EXPECT_TRUE(command.write);
    EXPECT_EQ(command.tries, 1);
    EXPECT_EQ(tag(0).value, TagValue(0.0));
    EXPECT_EQ(tag(0).requestedValue, TagValue(25.0));
    EXPECT_EQ(tag(0).writeNumber, 25.0f);
}

TEST_F(Writes, AValueOfAnotherKindPassesTheKindCheckAndIsWritten)
{
    ASSERT_TRUE(start({withBoolean(hostTag(1, "SW1:0.2", kSwitch), true), hostTag(2, "PV1:0.0")}));
    ASSERT_EQ(tag(0).writeNumber, 4.0f);
    EXPECT_TRUE(write(1, std::monostate{}));  // reads as false: bit 2 cleared
    ASSERT_EQ(object->WriteQueue.size(), 1u);
    EXPECT_EQ(object->WriteQueue.front()->request, select(1, "SW", "000000"));
}

TEST_F(Writes, BeforeTheTableIsBuiltAWriteIsRefusedButTheParametersAreTakenOver)
{
    object = std::make_unique<TDLLObject>();
    object->PortCreated = true;
    object->Comm = std::make_unique<TCommClass>(std::make_unique<LineBackend>(line));
    ASSERT_FALSE(object->ParmLoaded);
    EXPECT_FALSE(write(1, 1.0));
    EXPECT_TRUE(object->ParmLoaded);
    EXPECT_TRUE(object->WriteQueue.empty());
}
