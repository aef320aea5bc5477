// The tag table of a driver object on a line in memory: addresses, system tags, the
// value exchange with the host, the poll plan and the link states' effect on tags;
// then the texts, numbers and host values the table reads.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "framework/GbkText.h"
#include "framework/HostVariant.h"
#include "framework/PDB.h"
#include "framework/SystemTags.h"
#include "framework/TagValue.h"
#include "framework/ValueExchange.h"
#include "platform/calendar.h"
#include "protocol/DLLRealize.h"
#include "support/memory_line.h"
#include "support/test_support.h"

using namespace testing_support;
using namespace hostvariant;

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD, kBad = OSTREVANE_QUALITY_BAD;
using Ids = std::vector<uint32_t>;

// The plant: devices 1 and 3 are 808s, device 2 an 847; the smallest device number is 1.
class Tags : public ::testing::Test {
protected:
    bool start(std::vector<HostTagRec> tags)
    {
        hostTags = std::move(tags);
        object.Stop();  // a running object gives its port up first
        return startOnLine(object, line, hostTags, plant());
    }
    TDLLTag& tag(size_t position) { return *object.TagTable.at(position); }
    // Type, device, slot, channel and bit of an address.
    std::string parts(std::string_view address)
    {
        const auto t = object.CreatInternalTag(hostTag(1, address, kNumber, 0, variant(VT_R8, 0.0)));
        std::string text = std::to_string(t->tagTypeIndex);
        for (const int32_t part : {t->deviceNo, t->slotNo, t->channelNo, t->bitNo}) text += " " + std::to_string(part);
        return text;
    }
    // One read call `ms` after the previous one; the ids reported.
    Ids readAfter(uint32_t ms)
    {
        clock.advance(ms);
        uint32_t count = 0;
        records.assign(8, TagDataRec{});
        valueexchange::reportChanges(object, records.data(), count);
        Ids ids;
        for (uint32_t i = 0; i < count; ++i) ids.push_back(records[i].TagId);
        return ids;
    }
    // Ends the exchange of the poll of `deviceNo`, answered or not.
    void finish(int32_t deviceNo, bool answered)
    {
        for (const auto& command : object.PollList)
            if (command->deviceNo == deviceNo) object.CurrentCommand = command.get();
        object.LinkOK = answered;
        object.ExchangeFinished = true;
        object.FinalCommand();
    }
    FakeClock clock;
    LogRedirect log;
    std::shared_ptr<Line> line = std::make_shared<Line>();
    std::vector<HostTagRec> hostTags;
    TDLLObject object;
    std::vector<TagDataRec> records;
};

}  // namespace

TEST_F(Tags, AddressPartsTheirDefaultsAndCanonicalForm)
{
    ASSERT_TRUE(start({}));
    // HB comes before H in the table; without a colon the device is the smallest one and
    // the rest is the channel; the half-width colon wins over the full-width one; a
    // mnemonic in lower case, or with nothing after it, still names its tag type.
    const std::pair<std::string, std::string> cases[] = {
        {"Hb3:0.0", "18 3 0 0 0"},       {"PV3", "4 1 0 3 0"},
        {"PV3：", "4 3 0 0 0"},          {"PV2:2,0.5", "4 2 2 0 5"},
        {"PV2：9:0.0", "4 -1 -1 -1 -1"}, {"PV3:0.x", "4 3 0 0 -1"},
        {"PV3:x,0.0", "4 3 -1 0 0"},     {"PV3:0.0.1", "4 3 0 0 -1"},
        {"PV+3:-2.0", "4 3 0 -2 0"},     {"PV3\xB0\xA3\xBA\xA1.0", "4 1 0 -1 0"},
        {"ha3:0.0", "12 3 0 0 0"},       {"PV", "4 1 0 0 0"}};
    for (const auto& [address, expected] : cases) EXPECT_EQ(parts(address), expected) << address;

    OstrevanePDB block = plant();
    block.Devices[0] = block.Devices[1];
    const std::pair<std::string, std::string> canonical[] = {
        {"pv3:0.0", "PV3:0.0"}, {"PV3", "PV0:3.0"}, {"PV3:2,0.5", "PV3:0.5"}, {"XX1:0.0", "HS-1:-1.-1"}};
    for (const auto& [address, expected] : canonical) {
        char* text = const_cast<char*>(address.c_str());
        char* msg = nullptr;
        EXPECT_EQ(TagEdAddr(&block, &text, 0, &msg), address == "XX1:0.0" ? 0 : 1) << address;
        EXPECT_EQ(takeHostText(text), expected) << address;
    }
}

TEST_F(Tags, RejectedAddressesAreLoggedWithTheirReasonHintsOnlyWithTraceOutput)
{
    const std::pair<std::string, std::string> cases[] = {
        {"XX1:0.0", "指定不存在的标签类型。"},
        {"PV7:0.0", "所指定的0007号仪表不存在。请在设备向导中添加该仪表！\r\n"},
        {"PV3:x,0.0", "中槽号非法。\r\n"},
        {"PV3:0.x", "位号错误，Ostrevane808不存在此标签。"},
        {"PV2:-2.0", "的仪表地址超出Ostrevane847的最小范围0"},
    };
    for (const auto& [address, reason] : cases) {
        ASSERT_TRUE(start({hostTag(1, address)}));
        EXPECT_FALSE(object.Running);
        EXPECT_NE(log.content().find("：标签T1错误：标签地址" + address + reason), std::string::npos) << address;
    }
    EXPECT_NE(log.content().find("：标签T1错误报告：由于出现错误，系统在通讯时丢弃该标签！\r\n"), std::string::npos);
    parts("PV0");
    EXPECT_EQ(log.content().find("提示："), std::string::npos);
    object.PDB.TraceOutput = 1;
    parts("PV0");
    parts("PV3:0");  // no bit and no slot part: never a hint
    EXPECT_NE(log.content().find("：标签T1提示：地址=PV0中缺少仪表号，系统采用缺省值1\r\n"), std::string::npos);
    EXPECT_EQ(log.content().find("缺少位号"), std::string::npos);
}

TEST_F(Tags, HostRecordsBecomeTags)
{
    ASSERT_TRUE(start({}));
    HostTagRec record = hostTag(9, "", kNumber);
    std::memset(&record.Name, 'N', sizeof record.Name + sizeof record.Reserved36);  // no terminators
    const std::string address = "PV3:0." + std::string(58, '0');
    std::memcpy(record.Address, address.data(), sizeof record.Address);
    EXPECT_EQ(object.CreatInternalTag(record)->name, std::string(32, 'N'));
    EXPECT_EQ(object.CreatInternalTag(record)->address, address);

    // No initial value, or one that means nothing in the kind: the kind's zero. The bit
    // stays the address's in every kind.
    const std::u16string number = u"12.5", word = u"abc";
    const std::tuple<uint8_t, OstrevaneVariant, TagValue> cases[] = {{kSwitch, {}, false},
                                                                     {kNumber, variant(0x4000 | VT_R8, &number), 0.0},
                                                                     {kNumber, variant(VT_BSTR, number.c_str()), 12.5},
                                                                     {kNumber, variant(VT_BSTR, word.c_str()), 0.0},
                                                                     {kText, variant(VT_R8, 2.5), std::string("2.5")}};
    for (const auto& [type, initial, value] : cases) {
        const auto made = object.CreatInternalTag(hostTag(1, "SW3:0.4", type, 250, initial));
        EXPECT_EQ(made->value, value) << int(type);
        EXPECT_EQ(made->bitNo, 4);
        EXPECT_EQ(made->writeAllowed, 1);
    }
    EXPECT_EQ(object.CreatInternalTag(hostTag(1, "PV3:0.0"))->reportedValue, TagValue());
}

TEST_F(Tags, SystemTagsTakeTheirValuesFromTheDriversState)
{
    object.DevFailCount[3] = 7;
    object.DevEnabled[2] = 0;
    // ENDEVICELINK and ENLOG keep the host's value.
    const std::tuple<std::string, uint8_t, TagValue> cases[] = {
        {"CommLink", kSwitch, false},
        {"COMMLINK", kText, std::string("Ostrevane仪表通讯始终不成功!")},
        {"encommlink", kText, std::string("Ostrevane仪表打开通信线路")},
        {"DEVICELINK3", kText, std::string("3号仪表Ostrevane808通讯始终不成功!")},
        {"DEVICELINK150", kText, std::string("150号仪表通讯始终不成功!")},
        {"ENDEVICELINK2", kNumber, 42.0},
        {"ENDEVICELINKX", kNumber, 42.0},
        {"ENDEVICELINK1A", kNumber, 42.0},
        {"enlog", kSwitch, true}};
    std::vector<HostTagRec> tags;
    for (const auto& [address, type, value] : cases)
        tags.push_back(hostTag(tags.size(), address, type, 0, variant(VT_R8, 42.0)));
    ASSERT_TRUE(start(tags));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(tag(i).value, std::get<2>(cases[i])) << tag(i).address;
        EXPECT_EQ(tag(i).writeAllowed, 0) << tag(i).address;
    }
    EXPECT_EQ(object.DevFailCount[3], -1);
    EXPECT_EQ(object.DevEnabled[2], 1);
    EXPECT_TRUE(object.LogEnabled);
    EXPECT_TRUE(object.Running);  // system tags only: polling runs with nothing to send
    EXPECT_TRUE(line->sent.empty());
    // Only a decimal device number after ENDEVICELINK makes a device switch.
    EXPECT_FALSE(object.WriteExecute(6, 0.0) || object.WriteExecute(7, 0.0));
    EXPECT_EQ(object.DevEnabled[0] + object.DevEnabled[1], 2);
    EXPECT_TRUE(object.WriteExecute(5, 0.0));
    EXPECT_EQ(object.DevEnabled[2], 0);
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    EXPECT_FALSE(object.LogEnabled);  // no ENLOG tag: no traffic log
    EXPECT_EQ(systemtags::LinkStateText(2, true), "通讯出现干扰!");
    EXPECT_EQ(systemtags::LinkStateText(6, true), "");
    EXPECT_EQ(systemtags::LinkStateText(0, false), "通讯暂停!");
}

TEST_F(Tags, ALineBreakingAcrossDevicesMarksTheInstrumentTagsBad)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "PV3:0.0"), hostTag(4, "COMMLINK"),
                       hostTag(5, "DEVICELINK2", kSwitch)}));
    finish(2, true);
    EXPECT_EQ(tag(4).value, TagValue(true));
    finish(1, false);
    EXPECT_EQ(tag(4).value, TagValue(true));  // device 1's exchange leaves device 2's tag alone
    // Three failures in a row break the line, though no device failed three times.
    finish(2, false);
    EXPECT_EQ(object.LinkState, 3);
    finish(1, false);
    EXPECT_EQ(object.LinkState, 4);
    const uint32_t qualities[] = {kBad, kBad, kBad, kGood, kGood};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(tag(i).quality, qualities[i]) << i;
}

TEST_F(Tags, TableOrderIndexAndPollList)
{
    ASSERT_TRUE(start({hostTag(500, "PV3:0.0"), hostTag(2, "XX3:0.0"), hostTag(0xFFFFFFF0u, "SP1:0.0"),
                       hostTag(7, "ENLOG", kSwitch)}));
    const std::pair<uint32_t, int32_t> index[] = {{500, 0}, {0xFFFFFFF0u, 1}, {7, 2}, {2, -1}};
    for (const auto& [id, position] : index) EXPECT_EQ(object.TagIndex.find(id), position) << id;
    EXPECT_EQ(tag(2).tableIndex, 2);
    EXPECT_EQ(object.TagIndex.denseSize(), 501u);  // a large id costs no memory in proportion to its value
    EXPECT_EQ(object.TagIndex.sparseSize(), 1u);
    EXPECT_EQ(object.PollList.size(), 2u);  // system tags are never polled
    EXPECT_NE(log.content().find("：有效标签个数=3\r\n"), std::string::npos);
}

TEST_F(Tags, AWriteBringsEveryTagOfTheParameterAlong)
{
    ASSERT_TRUE(start({hostTag(1, "SW3:0.5", kSwitch), hostTag(2, "SW3:0.5", kText), hostTag(3, "SW3:0.4", kSwitch),
                       hostTag(4, "PV3:0.0"), hostTag(5, "SW3:0.0"), hostTag(6, "SW2:0.5", kSwitch)}));
    tag(0).writeNumber = 32;  // bit 5 set
    TCommand command;
    for (int resent = 0; resent < 2; ++resent) {  // a resent write lists each tag once
        object.SyncTagValue(tag(0), command);
        EXPECT_EQ(command.tagIndexes, (TIndexArray{0, 1, 2, 4}));
    }
    const TagValue requested[] = {true, std::string("1"), false, std::monostate{}, 32.0, std::monostate{}};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(tag(i).requestedValue, requested[i]) << i;
    EXPECT_EQ(tag(4).writeNumber, 32.0f);
}

TEST_F(Tags, NewTagsAreReportedSixTimesThenOnlyOnChangeAfterTheirInterval)
{
    clock.tick = 0xFFFFFF00u;
    ASSERT_TRUE(start({hostTag(1, "PV3:0.0", kNumber, 0, variant(VT_R8, 5.0)),
                       hostTag(2, "SP3:0.0", kNumber, 500, variant(VT_R8, 6.0))}));
    EXPECT_EQ(readAfter(0), Ids{});     // no time has passed since the tags were made
    EXPECT_EQ(readAfter(500), Ids{1});  // exactly the interval is not enough
    for (int call = 0; call < 5; ++call) EXPECT_EQ(readAfter(501), (Ids{1, 2})) << call;  // across the tick wrap
    EXPECT_EQ(readAfter(1), Ids{});
    EXPECT_EQ(readAfter(500), Ids{2});
    EXPECT_EQ(readAfter(501), Ids{});
    tag(0).quality = kBad;  // same value, new quality: reported with the old value
    EXPECT_EQ(readAfter(1), Ids{1});
    EXPECT_EQ(uint32_t{records[0].Quality}, kBad);
    EXPECT_EQ(readAfter(1), Ids{});
    tag(0).value = std::numeric_limits<double>::quiet_NaN();  // a NaN that stays one is no change
    EXPECT_EQ(readAfter(1), Ids{1});
    EXPECT_EQ(readAfter(1), Ids{});
}

TEST_F(Tags, RecordsCarryValuesBothWays)
{
    const std::u16string word = u"温度";
    ASSERT_TRUE(start({hostTag(1, "PV3:0.0", kNumber, 0, variant(VT_R8, -2.5)),
                       hostTag(2, "SW3:0.1", kSwitch, 0, variant<int16_t>(VT_BOOL, -1)),
                       hostTag(3, "PV3:0.0", kText, 0, variant(VT_BSTR, word.c_str())), hostTag(4, "PV3:0.0", kText, 0),
                       hostTag(5, "PV3:0.0", 9, 0, variant(VT_R8, 4.0))}));
    clock.now = {2024, 3, 1, 12, 0, 0, 0};
    ASSERT_EQ(readAfter(1).size(), 5u);
    EXPECT_EQ(double{records[4].TimeStamp}, platform::toOleDate(clock.now));
    EXPECT_EQ(double{records[0].Value.Number}, -2.5);  // packed fields are read as copies
    EXPECT_EQ(uint32_t{records[1].Value.Boolean}, 1u);
    EXPECT_EQ(takeHostText(records[2].Value.Text), "温度");
    EXPECT_EQ(static_cast<char*>(records[3].Value.Text), nullptr);  // empty text: nil
    EXPECT_EQ(records[4].ValueType, 9);  // a value type the host made up comes back as it was
    EXPECT_EQ(double{records[4].Value.Number}, 4.0);
    EXPECT_EQ(uint32_t{records[5].TagId}, 0u);  // records beyond the count are not written

    // Host writes go to the tag of the id when the value type is the tag's.
    std::vector<TagDataRec> in{{2, 0, 0, kSwitch, {}, {}}, {99, 0, 0, kNumber, {}, {}}, {2, 0, 0, kNumber, {}, {}}};
    in[0].Value.Boolean = 7;
    EXPECT_TRUE(valueexchange::applyWrites(object, in.data(), 3));
    EXPECT_EQ(tag(1).requestedValue, TagValue(true));
    EXPECT_FALSE(valueexchange::applyWrites(object, in.data() + 1, 2));  // nothing carried out
    std::string longText(300, 'a');
    longText.replace(254, 2, "\xB0\xA1");  // a double-byte character across the 255-byte limit
    TagDataRec text{1, 0, 0, kText, {}, {}};
    text.Value.Text = longText.data();
    EXPECT_EQ(valueexchange::recordValue(text), TagValue(longText.substr(0, 254)));
}

TEST_F(Tags, PollIntervalAndSkipFactors)
{
    // {10, 40}: load 1 + 1 + 1/4 = 2.25, 10 / 2.25 + 1 = 5; below 10: factor 2.
    // {200, 100, 1000}: load 1 + 1 + 1/2 + 1/10 = 2.6, 100 / 2.6 + 1 = 39.
    // {1000, 1000}: none below 1000, the wrap index stays. {50, 20}: 20 / 2.5 + 1 = 9, factor
    // 10/9 rounds to 1. A stretched factor stays within range.
    const std::tuple<std::vector<uint32_t>, uint32_t, std::vector<int32_t>, int32_t> cases[] = {
        {{10, 40}, 10, {1, 8}, 0},
        {{200, 100, 1000}, 39, {2, 1, 10}, 1},
        {{1000, 1000}, 334, {1, 1}, 0},
        {{50, 20}, 10, {2, 1}, 1},
        {{5, 4000000000u}, 10, {1, INT32_MAX}, 0}};
    for (const auto& [periods, interval, skipFactors, wrapIndex] : cases) {
        object.PollList.clear();
        for (const uint32_t period : periods) {
            object.PollList.push_back(std::make_unique<TCommand>());
            object.PollList.back()->period = period;
        }
        object.WrapIndex = 0;
        EXPECT_EQ(object.TBaseDLLObject::GetInterval(), interval);
        std::vector<int32_t> skips;
        for (const auto& command : object.PollList) skips.push_back(command->skipFactor);
        EXPECT_EQ(skips, skipFactors);
        EXPECT_EQ(object.WrapIndex, wrapIndex);
    }
    EXPECT_EQ(object.GetInterval(), 10u);  // whatever the plan, the engine's scan
}

TEST(Texts, StrictDecimalsAndDoubleByteCharacters)
{
    int32_t value = 0;
    for (const std::string text : {"-1", "2147483647", "-2147483648"}) {
        EXPECT_TRUE(gbk::parseDecimal(text, value)) << text;
        EXPECT_EQ(std::to_string(value), text);
    }
    EXPECT_TRUE(gbk::parseDecimal("+7", value) && value == 7);
    // A full-width digit (A3 B3) is no digit.
    for (const std::string text : {"2147483648", "99999999999", "", "+", " 3", "3x", "\xA3\xB3"})
        EXPECT_FALSE(gbk::parseDecimal(text, value)) << text;
    // 0x81 0x61: a double-byte character whose trail byte is the letter a.
    EXPECT_EQ(gbk::upperAscii("pv\x81\x61z\x81"), "PV\x81\x61Z\x81");
    // "：" is A3 BA; here those bytes straddle two characters (B0 A3, BA A1).
    EXPECT_EQ(gbk::find("3\xB0\xA3\xBA\xA1!", "："), std::string::npos);
    EXPECT_EQ(gbk::prefixWithin("ab\xB0\xA1", 4), "ab\xB0\xA1");
}

TEST(Texts, HostValuesTakeTheKindOfTheTag)
{
    // Texts outside GBK (a pair, a lone surrogate) give question marks; references and
    // arrays are never followed.
    const std::u16string text = u"A", outsideGbk = u"a\U0001F600b\xD800", euro = u"\u20AC";
    const std::pair<OstrevaneVariant, TagValue> cases[] = {
        {variant<int8_t>(VT_I1, -5), -5.0},
        {variant<uint64_t>(VT_UI8, uint64_t{1} << 63), 9223372036854775808.0},
        {variant<float>(VT_R4, 1.5f), 1.5},
        {variant<int64_t>(VT_CY, 123456), 12.3456},
        {variant(VT_BSTR, outsideGbk.c_str()), std::string("a?b?")},
        {variant(VT_BSTR, euro.c_str()), std::string("\x80")},
        {variant(0x4000 | VT_I4, &text), std::monostate{}},
        {variant(0x2000 | VT_R8, &text), std::monostate{}}};
    for (const auto& [host, value] : cases) EXPECT_EQ(read(host), value) << "kind " << host.Kind;
    // Unknown value types (9) carry numbers.
    const std::tuple<TagValue, uint8_t, TagValue> conversions[] = {{std::string(" -3 "), 0, -3.0},
                                                                   {std::string("TRUE"), 1, true},
                                                                   {std::string("yes"), 1, std::monostate{}},
                                                                   {-0.0, 2, std::string("0")},
                                                                   {7.0, 9, 7.0}};
    for (const auto& [in, type, out] : conversions) EXPECT_EQ(tagvalue::convert(in, type), out) << int(type);
    EXPECT_FALSE(tagvalue::same(1.0, true));
}
