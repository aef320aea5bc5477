// Grouping the tags into poll commands, address ranges, and the command lines of the log.
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, TagsOfOneParameterShareTheFirstCommandMadeForItAtItsFastestPeriod)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "PV1:0.2", kSwitch, 500),
                       hostTag(4, "PV2:0.0"), hostTag(5, "COMMLINK"), hostTag(6, "PV1:0.0", kText, 2000)}));
    const std::vector<std::tuple<std::string, std::vector<int32_t>, uint32_t>> expected = {
        {poll(1, "PV"), {0, 2, 5}, 500}, {poll(1, "SP"), {1}, 1000}, {poll(2, "PV"), {3}, 1000}};
    std::vector<std::tuple<std::string, std::vector<int32_t>, uint32_t>> made;
    for (const auto& command : object->PollList)
        made.emplace_back(command->request, command->tagIndexes, command->period);
    EXPECT_EQ(made, expected);
    const TCommand& first = *object->PollList[0];
    EXPECT_EQ(first.answerMain, "\00201PV");
    EXPECT_EQ(first.tries, 2);
    EXPECT_EQ(first.startAddr, 0);
    EXPECT_EQ(first.endAddr, 0);
}

TEST_F(Engine, AddressRangesCoverTheCreatingTagUntilTheyAreFixed)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    TDLLTag probe;
    probe.tagTypeIndex = 4;
    probe.channelNo = 7;
    TCommand range;
    range.lowAddr = 3;
    range.highAddr = 9;
    const int32_t open[] = {1, 7, 7}, fixed[] = {7, 3, 9}, untyped[] = {1, 0, 0};
    for (const int32_t* expected : {open, fixed, untyped}) {
        range.rangeFixed = expected != open;
        probe.tagTypeIndex = expected == untyped ? -1 : 4;
        EXPECT_EQ(object->GetCommandAddrLength(range, probe), expected[0]);
        EXPECT_EQ(object->GetCommandStartAddr(range, probe), expected[1]);
        EXPECT_EQ(object->GetCommandEndAddr(range, probe), expected[2]);
    }
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
    EXPECT_FALSE(write(1, 1.0));
    EXPECT_NE(log.content().find("：对标签T1错误的写操作!\r\n"), std::string::npos);
    const size_t size = log.content().size();
    EXPECT_EQ(object->CreatCommand(tag(0), object->PollList, false), nullptr);
    EXPECT_EQ(log.content().size(), size);
}
