// Grouping the tags into poll commands, write commands, address ranges and the
// command lines of the log.
#include <random>
#include <string>
#include <vector>

#include "definitions/DLLDef.h"
#include "engine_harness.h"
#include "framework/PDB.h"

using namespace enginetest;

namespace {

struct Shape {
    std::string request;
    std::vector<int32_t> tags;
    uint32_t period;
};

std::vector<Shape> shapesOf(const TCommandList& list)
{
    std::vector<Shape> shapes;
    for (const auto& command : list) shapes.push_back({command->request, command->tagIndexes, command->period});
    return shapes;
}

bool operator==(const Shape& a, const Shape& b) { return a.request == b.request && a.tags == b.tags && a.period == b.period; }

// Every device number configured as an 808.
OstrevanePDB fullPlant()
{
    OstrevanePDB block = plant();
    for (DeviceEntry& entry : block.Devices) {
        entry.DeviceType = OSTREVANE_DEVICE_808;
        pdb::setTypeName(entry, "Ostrevane808");
    }
    return block;
}

}  // namespace

TEST_F(Engine, TagsOfOneParameterShareTheFirstCommandMadeForIt)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "PV1:0.2", OSTREVANE_VALUE_BOOLEAN, 500),
                       hostTag(4, "PV2:0.0"), hostTag(5, "COMMLINK"), hostTag(6, "PV1:0.0", OSTREVANE_VALUE_TEXT, 2000)}));
    const std::vector<Shape> expected = {
        {poll(1, "PV"), {0, 2, 5}, 500},
        {poll(1, "SP"), {1}, 1000},
        {poll(2, "PV"), {3}, 1000},
    };
    EXPECT_EQ(shapesOf(object->PollList), expected);
    const TCommand& first = *object->PollList[0];
    EXPECT_EQ(first.deviceNo, 1);
    EXPECT_EQ(first.typeString, "PV");
    EXPECT_EQ(first.answerMain, "\x02" "01PV");
    EXPECT_EQ(first.flags, kReadCommandFlags);
    EXPECT_EQ(first.tries, 2);
    EXPECT_FALSE(first.write);
    EXPECT_TRUE(first.rangeFixed);
    EXPECT_FLOAT_EQ(first.replyQuality, 1.0f);
}

TEST_F(Engine, GroupingGivesTheCommandsOfTheTagByTagComparisonInTheSameOrder)
{
    // The reference: each tag compared with every command made so far, in list order.
    std::mt19937 random(99);
    std::vector<HostTagRec> tags;
    std::uniform_int_distribution<int> device(0, 99), type(0, def::kTagTypeCount - 1), kind(0, 2), period(1, 40);
    for (uint32_t id = 1; id <= 3000; ++id) {
        const std::string address = std::string(def::TagTypeInfo[type(random)].mnemonic) +
                                    std::to_string(device(random)) + ":0." + std::to_string(kind(random));
        tags.push_back(hostTag(id, address, static_cast<uint8_t>(kind(random)), 100u * period(random)));
    }
    ASSERT_TRUE(start(tags, fullPlant()));
    std::vector<Shape> reference;
    for (const auto& tag : object->TagTable) {
        const std::string request = poll(tag->deviceNo, def::TagTypeInfo[tag->tagTypeIndex].mnemonic);
        bool joined = false;
        for (Shape& command : reference) {
            if (command.request != request) continue;
            command.tags.push_back(tag->tableIndex);
            command.period = std::min(command.period, tag->period);
            joined = true;
            break;
        }
        if (!joined) reference.push_back({request, {tag->tableIndex}, tag->period});
    }
    EXPECT_EQ(object->TagTable.size(), 3000u);
    EXPECT_EQ(shapesOf(object->PollList), reference);
}

TEST_F(Engine, AddressRangesCoverTheCreatingTagUntilTheyAreFixed)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    TDLLTag probe;
    probe.tagTypeIndex = 4;
    probe.channelNo = 7;
    TCommand open;
    open.lowAddr = 3;
    open.highAddr = 9;
    EXPECT_EQ(object->GetCommandAddrLength(open, probe), 1);
    EXPECT_EQ(object->GetCommandStartAddr(open, probe), 7);
    EXPECT_EQ(object->GetCommandEndAddr(open, probe), 7);
    TCommand fixed;
    fixed.rangeFixed = true;
    fixed.lowAddr = 3;
    fixed.highAddr = 9;
    EXPECT_EQ(object->GetCommandAddrLength(fixed, probe), 7);
    EXPECT_EQ(object->GetCommandStartAddr(fixed, probe), 3);
    EXPECT_EQ(object->GetCommandEndAddr(fixed, probe), 9);
    probe.tagTypeIndex = -1;
    EXPECT_EQ(object->GetCommandAddrLength(fixed, probe), 1);
    EXPECT_EQ(object->GetCommandStartAddr(fixed, probe), 0);
    EXPECT_EQ(object->GetCommandEndAddr(fixed, probe), 0);
    const TCommand& made = *object->PollList[0];
    EXPECT_EQ(made.startAddr, 0);
    EXPECT_EQ(made.endAddr, 0);
}

TEST_F(Engine, AWriteCommandCarriesTheSelectFrameAndIsMadeOnlyForWritableTypes)
{
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0"), hostTag(2, "PV1:0.0")}));
    TCommand* write = queueWrite(0, 25.0);
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write->request, "\x04" "0011" "\x02" "SL 25.0\x03" "\x25");
    EXPECT_EQ(write->flags, kWriteCommandFlags);
    EXPECT_EQ(write->tries, 1);
    EXPECT_TRUE(write->write);
    EXPECT_TRUE(write->rangeFixed);
    EXPECT_EQ(write->answerMain, "");
    EXPECT_EQ(write->tagIndexes, std::vector<int32_t>{0});
    EXPECT_FLOAT_EQ(tag(0).writeNumber, 25.0f);
    EXPECT_EQ(queueWrite(1, 25.0), nullptr);
    EXPECT_EQ(object->PollList.size(), 2u);  // writes never join the poll list
}

TEST_F(Engine, DebugSwitchLogsEveryReadCommandWithItsTags)
{
    OstrevanePDB pdb = plant();
    pdb.DebugSwitch = 1;
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV1:0.1", OSTREVANE_VALUE_BOOLEAN), hostTag(3, "SL2:0.0")}, pdb));
    const std::string text = log.content();
    EXPECT_NE(text.find("：仪表类型=Ostrevane808，仪表号=1[T1 地址=PV1:0.0 T2 地址=PV1:0.1 ]生成读标签命令串=" +
                        poll(1, "PV") + "\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("：仪表类型=Ostrevane847，仪表号=2[T3 地址=SL2:0.0 ]生成读标签命令串=" + poll(2, "SL") + "\r\n"),
              std::string::npos);
}

namespace {
// An instrument protocol that can frame nothing.
class FramelessObject : public TDLLObject {
public:
    std::string GetAskStr(TCommand&, TDLLTag&, bool) override { return {}; }
};
}  // namespace

TEST_F(Engine, ATagWhoseFrameComesOutEmptyGetsNoCommandAndIsReported)
{
    OstrevanePDB pdb = plant();
    pdb.ErrorOutput = 1;
    ASSERT_TRUE(start({hostTag(1, "SL1:0.0")}, pdb, std::make_unique<FramelessObject>()));
    EXPECT_TRUE(object->PollList.empty());
    // While the table is built, traffic logging is on: the read refusal is logged.
    EXPECT_NE(log.content().find("：对标签T1错误的读操作!\r\n"), std::string::npos);
    object->LogEnabled = false;
    EXPECT_EQ(queueWrite(0, 1.0), nullptr);
    EXPECT_NE(log.content().find("：对标签T1错误的写操作!\r\n"), std::string::npos);
    TDLLTag& first = tag(0);
    const size_t size = log.content().size();
    EXPECT_EQ(object->CreatCommand(first, object->PollList, false), nullptr);
    EXPECT_EQ(log.content().size(), size);
}

TEST_F(Engine, FreeCommandDisposesAWholeChain)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    auto chain = std::make_unique<TCommand>();
    chain->chain = std::make_unique<TCommand>();
    chain->chain->chain = std::make_unique<TCommand>();
    object->FreeCommand(chain);
    EXPECT_EQ(chain, nullptr);
    object->FreeCommand(chain);
    EXPECT_EQ(chain, nullptr);
}
