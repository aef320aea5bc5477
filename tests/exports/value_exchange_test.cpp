// The value exchange as a host sees it: IniDriver, then OnDataRead and OnDataWrite.
// Uses only the public header, so the same file runs against the Windows DLLs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "test_host.h"

namespace {

// Record fields read by value: the records are packed, so their fields may sit on
// any address and cannot be bound to references.
double numberOf(const TagDataRec& record) { return record.Value.Number; }
double stampOf(const TagDataRec& record) { return record.TimeStamp; }
uint32_t qualityOf(const TagDataRec& record) { return record.Quality; }
const char* textOf(const TagDataRec& record) { return record.Value.Text; }

constexpr uint16_t VT_R8 = 5, VT_BSTR = 8, VT_BOOL = 11;
constexpr uint8_t kNumber = 0, kSwitch = 1, kText = 2;

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, uint32_t interval = 0)
{
    HostTagRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    const std::string name = "T" + std::to_string(id);
    std::memcpy(record.Name, name.data(), std::min(name.size(), sizeof record.Name));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    record.ReportInterval = interval;
    return record;
}

HostTagRec withNumber(HostTagRec record, double value)
{
    record.InitialValue.Kind = VT_R8;
    record.InitialValue.Data.Double = value;
    return record;
}

HostTagRec withBoolean(HostTagRec record, bool value)
{
    record.InitialValue.Kind = VT_BOOL;
    const int16_t word = value ? -1 : 0;
    std::memcpy(record.InitialValue.Data.Bytes, &word, sizeof word);
    return record;
}

HostTagRec withText(HostTagRec record, const char16_t* text)
{
    record.InitialValue.Kind = VT_BSTR;
    record.InitialValue.Data.Pointer = const_cast<char16_t*>(text);
    return record;
}

// Device 3 (an 808) configured besides the default device 0, COM1.
std::vector<uint8_t> configuration()
{
    std::vector<uint8_t> block(GetPDBLen(), 0);
    FullPDB(block.data());
    auto* pdb = reinterpret_cast<OstrevanePDB*>(block.data());
    DeviceEntry& entry = pdb->Devices[3];
    entry.DeviceType = OSTREVANE_DEVICE_808;
    const std::string name = "Ostrevane808";
    entry.TypeName[0] = static_cast<uint8_t>(name.size());
    std::memcpy(entry.TypeName + 1, name.data(), name.size());
    return block;
}

class ValueExchange : public ::testing::Test {
protected:
    void start(std::vector<HostTagRec> tags)
    {
        ASSERT_TRUE(host.lineReady());
        hostTags = std::move(tags);
        pointers.clear();
        for (HostTagRec& record : hostTags) pointers.push_back(&record);
        block = configuration();
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
        const uint8_t* after = reinterpret_cast<const uint8_t*>(&records[count]);
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

const char16_t kTemperature[] = u"温度";

}  // namespace

TEST_F(ValueExchange, NewTagsAreReportedSixTimesThenOnlyWhenChanged)
{
    start({withNumber(hostTag(1, "PV3:0.0", kNumber), 21.5), hostTag(2, "XX3:0.0", kNumber),
           withBoolean(hostTag(3, "SW3:0.1", kSwitch), true), hostTag(4, "ENCOMMLINK", kText),
           withText(hostTag(5, "PV3:0.0", kText), kTemperature), hostTag(6, "SP3:0.0", kText),
           hostTag(7, "ENCOMMLINK", kSwitch)});
    for (int call = 0; call < 6; ++call) {
        ASSERT_EQ(read(0), (Ids{1, 3, 4, 5, 6, 7})) << "call " << call;
        EXPECT_EQ(records[0].ValueType, kNumber);
        EXPECT_EQ(numberOf(records[0]), 21.5);
        EXPECT_EQ(qualityOf(records[0]), 0u);
        EXPECT_NEAR(stampOf(records[0]), host.now(), host.stampTolerance());
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(&records[1]);
        EXPECT_EQ(raw[16], kSwitch);
        EXPECT_EQ(std::vector<uint8_t>(raw + 20, raw + 24), (std::vector<uint8_t>{1, 0, 0, 0}));
        EXPECT_EQ(TestHost::take(records[2].Value.Text), "Ostrevane仪表打开通信线路");
        EXPECT_EQ(TestHost::take(records[3].Value.Text), "温度");
        EXPECT_EQ(textOf(records[4]), nullptr);  // an empty text is nil
        EXPECT_EQ(records[5].Value.Boolean, 1u);
    }
    EXPECT_EQ(read(0), Ids{});
}

TEST_F(ValueExchange, ATagWaitsForItsReportInterval)
{
    start({withNumber(hostTag(1, "PV3:0.0", kNumber, 60000), 1), withNumber(hostTag(2, "SP3:0.0", kNumber), 2)});
    EXPECT_EQ(read(0), Ids{2});
    if (!host.clockControlled()) return;  // a real minute is too long to wait for
    EXPECT_EQ(read(59998), Ids{2});
    EXPECT_EQ(read(0), (Ids{1, 2}));
}

// These two need the driver linked in: its tick count set, a tag reached from inside.
// The Windows program, which loads the DLL like a host, leaves them out.
#ifndef OSTREVANE_DRIVER_OUT_OF_REACH
TEST_F(ValueExchange, TheIntervalIsMeasuredAcrossTheTickWrap)
{
    ASSERT_TRUE(host.clockControlled());
    host.setTick(0xFFFFFF00u);
    start({withNumber(hostTag(1, "PV3:0.0", kNumber, 500), 1)});
    EXPECT_EQ(read(499), Ids{});  // exactly the interval after creation is not enough
    EXPECT_EQ(read(0), Ids{1});   // 501 ms, past 2^32
}

TEST_F(ValueExchange, AQualityChangeAloneIsReported)
{
    start({withNumber(hostTag(1, "PV3:0.0", kNumber), 7), withNumber(hostTag(2, "SP3:0.0", kNumber), 8)});
    for (int call = 0; call < 6; ++call) read(0);
    EXPECT_EQ(read(0), Ids{});
    ASSERT_TRUE(host.setQuality(2, OSTREVANE_QUALITY_BAD));
    EXPECT_EQ(read(0), Ids{2});
    EXPECT_EQ(qualityOf(records[0]), static_cast<uint32_t>(OSTREVANE_QUALITY_BAD));
    EXPECT_EQ(numberOf(records[0]), 8.0);
    EXPECT_EQ(read(0), Ids{});
}
#endif

TEST_F(ValueExchange, WritesThatMatchNoTagAreSkipped)
{
    start({withNumber(hostTag(1, "HS3:0.0", kNumber), 1), withBoolean(hostTag(2, "SW3:0.1", kSwitch), false)});
    std::vector<TagDataRec> writes(3);
    std::memset(writes.data(), 0, writes.size() * sizeof(TagDataRec));
    writes[0].TagId = 99;  // no such tag
    writes[0].ValueType = kNumber;
    writes[1].TagId = 2;   // a number for a switch tag
    writes[1].ValueType = kNumber;
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
