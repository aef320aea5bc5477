#include <gtest/gtest.h>

#include "driver/DLLMain.h"
#include "framework/DLLLog.h"
#include "framework/PDB.h"
#include "tag_fixture.h"

using tagtest::hostTag;
using tagtest::TableObject;
using testing_support::FakeClock;
using testing_support::LogRedirect;
using testing_support::takeHostText;

namespace {

class Addresses : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver::libraryInitialise();
        object.load(tagtest::plantPDB());  // smallest configured device number: 3
    }
    std::unique_ptr<TDLLTag> parse(std::string_view address)
    {
        return object.CreatInternalTag(hostTag(1, address, OSTREVANE_VALUE_NUMBER, 0, tagtest::numberVariant(0)));
    }
    FakeClock clock;
    LogRedirect log;
    TableObject object;
};

}  // namespace

TEST_F(Addresses, PartsAndTheirDefaults)
{
    struct Case {
        std::string address;
        int32_t type, device, slot, channel, bit;
    };
    const Case cases[] = {
        {"PV3:0.0", 4, 3, 0, 0, 0},
        {"pv3:0.0", 4, 3, 0, 0, 0},
        {"Hb3:0.0", 18, 3, 0, 0, 0},  // HB comes first in the table
        {"hB3:0.0", 18, 3, 0, 0, 0},
        {"PV3", 4, 3, 0, 3, 0},       // no colon: default device, the rest is the channel
        {"PV3:", 4, 3, 0, 0, 0},
        {"PV3:0", 4, 3, 0, 0, 0},
        {"PV3：0.0", 4, 3, 0, 0, 0},
        {"PV5:2,0.5", 4, 5, 2, 0, 5},
        {"PV5:2，0.5", 4, 5, 2, 0, 5},
        {"PV5：9:0.0", 4, -1, -1, -1, -1},  // the half-width colon wins: device "5：9"
        {"PV:0.0", 4, -1, -1, -1, -1},
        {"PV3:0.x", 4, 3, 0, 0, -1},
        {"PV3:x.0", 4, 3, 0, -1, 0},
        {"PV3:x,0.0", 4, 3, -1, 0, 0},
        {"PV3:0.0.1", 4, 3, 0, 0, -1},
        {"PV+3:-2.0", 4, 3, 0, -2, 0},
        {"PV 3:0.0", 4, -1, -1, -1, -1},
        {"PV7:0.0", 4, 7, -1, -1, -1},  // no device 7
        {"PV-1:0.0", 4, -1, -1, -1, -1},
        {"XX1:0.0", -1, -1, -1, -1, -1},
        {"", -1, -1, -1, -1, -1},
        {"：：,.", -1, -1, -1, -1, -1},
        {"P", -1, -1, -1, -1, -1},
        {"PV", 4, 3, 0, 0, 0},
        {"PV" + std::string(50, '9') + ":0.0", 4, -1, -1, -1, -1},
        {"PV3\xB0\xA3\xBA\xA1" "0.0", 4, 3, 0, -1, 0},  // colon bytes across two characters
        {"PV3\xA3", 4, 3, 0, -1, 0},                    // half a full-width colon
    };
    for (const Case& c : cases) {
        const auto tag = parse(c.address);
        ASSERT_NE(tag, nullptr) << c.address;
        EXPECT_EQ(tag->tagTypeIndex, c.type) << c.address;
        EXPECT_EQ(tag->deviceNo, c.device) << c.address;
        EXPECT_EQ(tag->slotNo, c.slot) << c.address;
        EXPECT_EQ(tag->channelNo, c.channel) << c.address;
        EXPECT_EQ(tag->bitNo, c.bit) << c.address;
    }
    EXPECT_EQ(parse("hb3:0.0")->typeString, "HB");
    EXPECT_EQ(parse("XX3:0.0")->typeString, "");
}

TEST_F(Addresses, HintsNeedTraceOutputErrorsAreAlwaysLogged)
{
    const std::string hintDevice = "：标签T1提示：地址=PV3中缺少仪表号，系统采用缺省值3\r\n";
    const std::string hintChannel = "：标签T1提示：地址=PV3:中缺少仪表地址，系统采用缺省值0\r\n";
    parse("PV3");
    parse("PV3:");
    EXPECT_EQ(log.content().find("提示："), std::string::npos);

    object.PDB.TraceOutput = 1;
    parse("PV3");
    parse("PV3:");
    parse("PV3:0");  // no bit and no slot part: never a hint in this driver
    const struct {
        std::string address, line;
    } errors[] = {
        {"PV:0.0", "：标签T1错误：标签地址PV:0.0中仪表号非法。\r\n"},
        {"PV3:x.0", "：标签T1错误：标签地址PV3:x.0的仪表地址非法。\r\n"},
        {"PV3:x,0.0", "：标签T1错误：标签地址PV3:x,0.0中槽号非法。\r\n"},
        {"PV3:0.x", "：标签T1错误：标签地址PV3:0.x中位号非法。\r\n"},
    };
    for (const auto& e : errors) parse(e.address);
    const std::string text = log.content();
    EXPECT_NE(text.find(hintDevice), std::string::npos);
    EXPECT_NE(text.find(hintChannel), std::string::npos);
    EXPECT_EQ(text.find("缺少槽号"), std::string::npos);
    EXPECT_EQ(text.find("缺少位号"), std::string::npos);
    for (const auto& e : errors) EXPECT_NE(text.find(e.line), std::string::npos) << e.address;
}

TEST_F(Addresses, RejectedTagsLeaveTheTableWithTheirReason)
{
    const struct {
        std::string address, reason;
    } cases[] = {
        {"XX1:0.0", "指定不存在的标签类型。"},
        {"PV7:0.0", "所指定的0007号仪表不存在。请在设备向导中添加该仪表！\r\n"},
        {"PV:0.0", "所指定的-0001号仪表不存在。请在设备向导中添加该仪表！\r\n"},
        {"PV3:x,0.0", "槽号错误，Ostrevane808不存在此标签。"},
        {"PV5:x.0", "仪表地址错误，Ostrevane847不存在此标签。"},
        {"PV3:0.x", "位号错误，Ostrevane808不存在此标签。"},  // also without an initial value
        {"PV3:1.0", "的仪表地址超出Ostrevane808的最大范围0"},
        {"PV3", "的仪表地址超出Ostrevane808的最大范围0"},
        {"PV5:-2.0", "的仪表地址超出Ostrevane847的最小范围0"},
    };
    for (const auto& c : cases) {
        std::vector<HostTagRec> hostTags{hostTag(1, c.address)};
        object.build(hostTags);
        EXPECT_EQ(object.TagCount, 0) << c.address;
        const std::string message = "：标签T1错误：标签地址" + c.address + c.reason;
        EXPECT_EQ(object.DevMsg, logfile::timePrefix() + message) << c.address;
        EXPECT_NE(log.content().find(message + "\r\n" + logfile::timePrefix() +
                                     "：标签T1错误报告：由于出现错误，系统在通讯时丢弃该标签！\r\n"),
                  std::string::npos)
            << c.address;
    }
    std::vector<HostTagRec> accepted{hostTag(1, "pv3:0.0"), hostTag(2, "PV3：0.0"), hostTag(3, "PV5:2,0.5"),
                                     hostTag(4, "PV3:"), hostTag(5, "PV3:0")};
    object.build(accepted);
    EXPECT_EQ(object.TagCount, 5);
}

TEST_F(Addresses, TagEditorRewritesToTheCanonicalForm)
{
    OstrevanePDB block = tagtest::plantPDB();
    block.Devices[0].DeviceType = OSTREVANE_DEVICE_808;
    pdb::setTypeName(block.Devices[0], "Ostrevane808");
    const struct {
        std::string address;
        bool recognised;
        std::string canonical;
    } cases[] = {
        {"pv3:0.0", true, "PV3:0.0"},    {"Hb3:0.0", true, "HB3:0.0"},
        {"PV3", true, "PV0:3.0"},        {"PV3:2,0.5", true, "PV3:0.5"},
        {"PV3：0.0", true, "PV3:0.0"},   {"PV7:0.0", true, "PV7:-1.-1"},
        {"PV:0.0", true, "PV-1:-1.-1"},  {"XX1:0.0", false, "HS-1:-1.-1"},
        {"ENLOG", false, "HS-1:-1.-1"},  {"DEVICELINK3", false, "HS-1:-1.-1"},
        {"", false, "HS-1:-1.-1"},      {"PV" + std::string(5000, '9') + ":0.0", true, "PV-1:-1.-1"},
    };
    for (const auto& c : cases) {
        char* address = const_cast<char*>(c.address.c_str());
        char* msg = nullptr;
        EXPECT_EQ(TagEdAddr(&block, &address, 0, &msg), c.recognised ? 1 : 0) << c.address;
        EXPECT_EQ(takeHostText(address), c.canonical) << c.address;
        EXPECT_EQ(msg, nullptr);
    }
}
