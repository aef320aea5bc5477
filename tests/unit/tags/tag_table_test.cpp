#include <gtest/gtest.h>

#include "driver/DLLMain.h"
#include "framework/SystemTags.h"
#include "tag_fixture.h"

using tagtest::hostTag;
using tagtest::TableObject;
using testing_support::FakeClock;
using testing_support::LogRedirect;

namespace {

class TagTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver::libraryInitialise();
        object.load(tagtest::plantPDB());
    }
    FakeClock clock;
    LogRedirect log;
    TableObject object{true};
};

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

}  // namespace

TEST_F(TagTable, SystemTagsTakeTheirValuesFromTheDriversState)
{
    object.DevFailCount[3] = 7;
    object.DevEnabled[5] = 0;
    object.DevLinkState[12] = 4;
    std::vector<HostTagRec> hostTags{
        hostTag(1, "COMMLINK", kNumber),     hostTag(2, "CommLink", kSwitch),
        hostTag(3, "COMMLINK", kText),       hostTag(4, "ENCOMMLINK", kNumber),
        hostTag(5, "ENCOMMLINK", kSwitch),   hostTag(6, "encommlink", kText),
        hostTag(7, "DEVICELINK3", kNumber),  hostTag(8, "DEVICELINK3", kSwitch),
        hostTag(9, "devicelink3", kText),    hostTag(10, "DEVICELINK12", kNumber),
        hostTag(11, "DEVICELINKx", kNumber), hostTag(12, "DEVICELINK150", kText),
        hostTag(13, "ENDEVICELINK5", kNumber, 0, tagtest::numberVariant(42)),
        hostTag(14, "enlog", kSwitch, 0, tagtest::booleanVariant(false)),
    };
    ASSERT_TRUE(object.build(hostTags));
    ASSERT_EQ(object.TagCount, 14);
    const TagValue expected[] = {
        0.0,   false, std::string("Ostrevane仪表通讯始终不成功!"),
        1.0,   true,  std::string("Ostrevane仪表打开通信线路"),
        0.0,   false, std::string("3号仪表Ostrevane808通讯始终不成功!"),
        0.0,   0.0,   std::string("150号仪表通讯始终不成功!"),
        42.0,  false,  // ENDEVICELINK and ENLOG keep the host's value
    };
    for (size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(object.tag(i).value, expected[i]) << object.tag(i).address;
        EXPECT_EQ(object.tag(i).internalTag, 1);
        EXPECT_EQ(object.tag(i).writeAllowed, 0);
    }
    EXPECT_EQ(object.tag(5).typeString, "ENCOMMLINK");
    EXPECT_EQ(object.tag(9).deviceNo, 12);
    EXPECT_EQ(object.tag(10).deviceNo, 0);  // no number after the keyword
    EXPECT_EQ(object.tag(11).deviceNo, 150);
    EXPECT_EQ(object.DevLinkState[12], 0);
    EXPECT_EQ(object.DevFailCount[3], -1);
    EXPECT_EQ(object.DevEnabled[5], 1);
    EXPECT_TRUE(object.HasLogTag);
    EXPECT_TRUE(object.LogEnabled);  // Refresh copied HasLogTag
    // A table of system tags only is not empty: polling starts with nothing to send.
    EXPECT_TRUE(object.Running);
    EXPECT_TRUE(object.PollList.empty());
    EXPECT_TRUE(object.sent.empty());
    EXPECT_EQ(object.StartTick, clock.tick);
}

TEST_F(TagTable, StateTextsAndSwitchValues)
{
    const char* texts[] = {"通讯始终不成功!", "通讯正常!", "通讯出现干扰!", "通讯出现故障!", "通讯线路断路!", "通讯暂停!", ""};
    for (uint8_t code = 0; code < 7; ++code) EXPECT_EQ(systemtags::LinkStateText(code, true), texts[code]);
    EXPECT_EQ(systemtags::LinkStateText(0, false), "通讯暂停!");

    TDLLTag tag;
    const struct {
        systemtags::Kind kind;
        uint8_t type;
        TagValue on, off;
    } cases[] = {
        {systemtags::Kind::EnLog, kText, std::string("允许写日志"), std::string("禁止写日志")},
        {systemtags::Kind::EnLog, kNumber, 1.0, 0.0},
        {systemtags::Kind::EnCommLink, kText, std::string("Ostrevane仪表打开通信线路"),
         std::string("Ostrevane仪表关闭通信线路")},
        {systemtags::Kind::CommLink, kSwitch, true, false},
    };
    for (const auto& c : cases) {
        tag.valueType = c.type;
        object.LogEnabled = object.CommLineEnabled = object.LinkOK = true;
        EXPECT_EQ(systemtags::stateValue(object, c.kind, tag), c.on);
        object.LogEnabled = object.CommLineEnabled = object.LinkOK = false;
        EXPECT_EQ(systemtags::stateValue(object, c.kind, tag), c.off);
    }
    object.LinkState = 2;
    tag.valueType = kText;
    EXPECT_EQ(systemtags::stateValue(object, systemtags::Kind::CommLink, tag), TagValue(std::string("Ostrevane仪表通讯出现干扰!")));
    EXPECT_EQ(systemtags::refreshedKind("ENLOG2"), std::nullopt);  // sets HasLogTag, never refreshed
    EXPECT_EQ(systemtags::refreshedKind("DEVICELINK7"), systemtags::Kind::DeviceLink);
}

TEST_F(TagTable, TableOrderIndexAndPollList)
{
    std::vector<HostTagRec> hostTags{
        hostTag(500, "PV3:0.0", kNumber, 100), hostTag(2, "XX3:0.0"), hostTag(0xFFFFFFF0u, "SP5:0.0", kNumber, 200),
        hostTag(7, "ENLOG", kSwitch),          hostTag(3, "OP3:0.0", kNumber, 1000),
    };
    for (uint32_t id = 10; id < 15; ++id) hostTags.push_back(hostTag(id, "PV7:0.0"));
    object.Statistics.timeouts = 5;
    object.Statistics.exchanges = 9;
    ASSERT_TRUE(object.build(hostTags));
    ASSERT_EQ(object.TagCount, 4);
    EXPECT_EQ(object.TagIndex.find(500), 0);
    EXPECT_EQ(object.TagIndex.find(0xFFFFFFF0u), 1);
    EXPECT_EQ(object.TagIndex.find(7), 2);
    EXPECT_EQ(object.TagIndex.find(3), 3);
    EXPECT_EQ(object.TagIndex.find(2), -1);   // rejected
    EXPECT_EQ(object.TagIndex.find(10), -1);  // rejected
    EXPECT_EQ(object.TagIndex.denseSize(), 501u);
    EXPECT_EQ(object.TagIndex.sparseSize(), 1u);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(object.tag(i).tableIndex, i);

    ASSERT_EQ(object.PollList.size(), 3u);  // system tags are never polled
    EXPECT_EQ(object.PollList[2]->tagIndexes, TIndexArray{3});
    ASSERT_EQ(object.sent.size(), 1u);
    EXPECT_EQ(object.sent[0], object.PollList[0].get());
    EXPECT_EQ(object.CurrentCommand, object.PollList[0].get());
    EXPECT_EQ(object.ScanTime, 10u);
    EXPECT_EQ(object.Statistics.timeouts, 0);
    EXPECT_EQ(object.Statistics.exchanges, 0);
    EXPECT_EQ(object.StartTick, clock.tick);
    EXPECT_NE(log.content().find("：有效标签个数=4\r\n"), std::string::npos);
}

TEST_F(TagTable, NoAcceptedTagStopsTheObject)
{
    std::vector<HostTagRec> hostTags{hostTag(1, "XX1:0.0"), hostTag(2, "PV9:0.0")};
    EXPECT_TRUE(object.build(hostTags));
    EXPECT_EQ(object.TagCount, 0);
    EXPECT_FALSE(object.Running);
    EXPECT_TRUE(object.Stopped);
    EXPECT_EQ(object.ScanTime, 500u);
    EXPECT_EQ(object.TagIndex.find(1), -1);
}

TEST_F(TagTable, AWriteBringsEveryTagOfTheParameterAlong)
{
    // Initial values keep the bit numbers of the addresses.
    std::vector<HostTagRec> hostTags{
        hostTag(1, "SW3:0.5", kSwitch, 0, tagtest::booleanVariant(false)),
        hostTag(2, "SW3:0.5", kText, 0, tagtest::numberVariant(0)),
        hostTag(3, "SW3:0.4", kSwitch, 0, tagtest::booleanVariant(true)),
        hostTag(4, "PV3:0.0", kNumber, 0, tagtest::numberVariant(0)),
        hostTag(5, "SW3:0.0", kNumber, 0, tagtest::numberVariant(0)),
        hostTag(6, "SW5:0.5", kSwitch, 0, tagtest::booleanVariant(false)),
        hostTag(7, "SW3:0.70", kSwitch, 0, tagtest::booleanVariant(true)),
    };
    ASSERT_TRUE(object.build(hostTags));
    TDLLTag& written = *object.TagTable[0];
    written.writeNumber = 32;  // bit 5 set
    TCommand command;
    object.SyncTagValue(written, command);
    EXPECT_EQ(command.tagIndexes, (TIndexArray{0, 1, 2, 4, 6}));
    const TagValue requested[] = {true, std::string("1"), false, std::monostate{}, 32.0, std::monostate{}, false};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(object.tag(i).requestedValue, requested[i]) << i;
    EXPECT_EQ(object.tag(4).writeNumber, 32.0f);
    EXPECT_EQ(object.tag(3).writeNumber, 0.0f);
    // A resent write lists each tag once, so its write counts are not doubled.
    object.SyncTagValue(written, command);
    EXPECT_EQ(command.tagIndexes, (TIndexArray{0, 1, 2, 4, 6}));
}
