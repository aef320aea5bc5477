// The exports as a host calls them, through the public header only, so the same file
// runs against the Windows DLLs (where every text must come from the COM task allocator).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "test_host.h"  // and the public header

namespace {

constexpr uint16_t kDouble = 5, kBstr = 8, kBool = 11;
constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

struct Initial {
    uint16_t kind = 0;
    double number = 0;
    const char16_t* text = nullptr;
};

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, Initial initial = {},
                   uint32_t interval = 0)
{
    HostTagRec record{};
    record.TagId = id;
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    record.ReportInterval = interval;
    record.InitialValue.Kind = initial.kind;
    if (initial.kind == kDouble) record.InitialValue.Data.Double = initial.number;
    if (initial.kind == kBstr) record.InitialValue.Data.Pointer = const_cast<char16_t*>(initial.text);
    if (initial.kind == kBool) {
        const int16_t word = initial.number != 0 ? -1 : 0;
        std::memcpy(record.InitialValue.Data.Bytes, &word, sizeof word);
    }
    return record;
}

class ValueExchange : public ::testing::Test {
protected:
    // The default configuration: an 808 at address 0 on COM1.
    void start(std::vector<HostTagRec> tags)
    {
        hostTags = std::move(tags);
        for (HostTagRec& record : hostTags) pointers.push_back(&record);
        block.resize(GetPDBLen());
        FullPDB(block.data());
        char* msg = nullptr;
        ASSERT_EQ(IniDriver(static_cast<uint32_t>(pointers.size()), pointers.data(), block.data(), &msg), 1);
        TestHost::take(msg);
    }

    // One host read call after `ms` ms; the ids reported.
    std::vector<uint32_t> read(uint32_t ms)
    {
        host.pass(ms);
        records.assign(hostTags.size() + 1, TagDataRec{});
        std::memset(records.data(), 0xEE, records.size() * sizeof(TagDataRec));
        uint32_t count = 12345;
        char* msg = nullptr;
        EXPECT_EQ(OnDataRead(&count, records.data(), &msg), 1);
        TestHost::take(msg);
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < count; ++i) ids.push_back(records[i].TagId);
        const auto* after = reinterpret_cast<const uint8_t*>(&records[count]);
        EXPECT_TRUE(std::all_of(after, after + sizeof(TagDataRec), [](uint8_t b) { return b == 0xEE; }))
            << "a record beyond the count was written";
        return ids;
    }

    TestHost host;
    std::vector<HostTagRec> hostTags;
    std::vector<HostTagRec*> pointers;
    std::vector<uint8_t> block;
    std::vector<TagDataRec> records;
    using Ids = std::vector<uint32_t>;
};

}  // namespace

// Tag 2 names no tag type and is refused; tag 8 waits a minute for its first report.
TEST_F(ValueExchange, NewTagsAreReportedSixTimesThenOnlyWhenChanged)
{
    start({hostTag(1, "PV0:0.0", kNumber, {kDouble, 21.5}), hostTag(2, "XX0:0.0", kNumber),
           hostTag(3, "SW0:0.1", kSwitch, {kBool, 1}), hostTag(4, "ENCOMMLINK", kText),
           hostTag(5, "PV0:0.0", kText, {kBstr, 0, u"温度"}), hostTag(6, "SP0:0.0", kText),
           hostTag(7, "ENCOMMLINK", kSwitch), hostTag(8, "PV0:0.0", kNumber, {kDouble, 1}, 60000)});
    for (int call = 0; call < 6; ++call) {
        ASSERT_EQ(read(0), (Ids{1, 3, 4, 5, 6, 7})) << "call " << call;
        EXPECT_EQ(records[0].ValueType, kNumber);
        EXPECT_EQ(double{records[0].Value.Number}, 21.5);
        EXPECT_EQ(uint32_t{records[0].Quality}, 0u);
        EXPECT_NEAR(double{records[0].TimeStamp}, host.now(), host.stampTolerance());
        EXPECT_EQ(records[1].ValueType, kSwitch);
        EXPECT_EQ(uint32_t{records[1].Value.Boolean}, 1u);
        EXPECT_EQ(TestHost::take(records[2].Value.Text), "Ostrevane仪表打开通信线路");
        EXPECT_EQ(TestHost::take(records[3].Value.Text), "温度");
        EXPECT_EQ(static_cast<const char*>(records[4].Value.Text), nullptr);  // an empty text is nil
        EXPECT_EQ(uint32_t{records[5].Value.Boolean}, 1u);
    }
    EXPECT_EQ(read(0), Ids{});
}

TEST_F(ValueExchange, WritesThatMatchNoTagAndCallsWithoutRecordsChangeNothing)
{
    start({hostTag(1, "HS0:0.0", kNumber, {kDouble, 1}), hostTag(2, "SW0:0.1", kSwitch)});
    std::vector<TagDataRec> writes(3);
    writes[0].TagId = 99;  // no such tag
    writes[1].TagId = 2;   // a number for a switch tag
    writes[2].TagId = 1;   // a switch for a number tag
    writes[2].ValueType = kSwitch;
    char* msg = nullptr;
    EXPECT_EQ(OnDataWrite(3, writes.data(), &msg), 0);
    EXPECT_EQ(TestHost::take(msg), "");
    EXPECT_EQ(OnDataWrite(0, writes.data(), &msg), 0);
    EXPECT_EQ(TestHost::take(msg), "通讯设备初始化失败");
    EXPECT_EQ(OnDataWrite(1, nullptr, &msg), 0);
    EXPECT_EQ(TestHost::take(msg), "通讯设备初始化失败");
    uint32_t count = 5;
    EXPECT_EQ(OnDataRead(&count, nullptr, &msg), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(TestHost::take(msg), "通讯设备初始化失败");
}
