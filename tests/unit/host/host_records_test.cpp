// The records the host hands to the driver and reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/HostVariant.h"
#include "host/host_records.h"
#include "host_test_texts.h"

namespace {

host::TagEntry listEntry(uint32_t id, host::ValueType type, std::optional<host::Value> initial)
{
    host::TagEntry tag;
    tag.id = id;
    tag.name = tag.nameGbk = "T" + std::to_string(id);
    tag.address = tag.addressGbk = "PV1:0.0";
    tag.type = type;
    tag.interval = 250;
    tag.initial = std::move(initial);
    return tag;
}

std::string released;  // the last text a fake release received
std::string fakeTake(char* text)
{
    released = text ? text : "(null)";
    return text ? std::string(text) : std::string();
}

TEST(HostRecords, TagRecordsCarryTheFieldsTheDriverReads)
{
    host::TagEntry named = listEntry(42, host::ValueType::Boolean, std::nullopt);
    named.nameGbk = std::string(32, 'N');  // a full field has no terminator
    named.addressGbk = "SL3\xA3\xBA" "0";
    host::HostTagTable table({named});
    ASSERT_EQ(table.count(), 1u);
    const HostTagRec& record = **table.pointers();
    EXPECT_EQ(record.TagId, 42u);
    EXPECT_EQ(std::string(record.Name, 32), std::string(32, 'N'));
    EXPECT_STREQ(record.Address, "SL3\xA3\xBA" "0");
    EXPECT_EQ(record.ValueType, OSTREVANE_VALUE_BOOLEAN);
    EXPECT_EQ(record.ReportInterval, 250u);
    EXPECT_EQ(record.InitialValue.Kind, 0);  // empty: the driver starts from false
}

TEST(HostRecords, InitialValuesAreVariantsTheDriverReadsBack)
{
    // The driver's own variant reader decides whether the host laid them out right.
    host::HostTagTable table({listEntry(1, host::ValueType::Number, 12.5), listEntry(2, host::ValueType::Boolean, true),
                              listEntry(3, host::ValueType::Boolean, false),
                              listEntry(4, host::ValueType::Text, utf8(u8"温度 high")),
                              listEntry(5, host::ValueType::Text, std::string())});
    EXPECT_EQ(std::get<double>(hostvariant::read(table.record(0).InitialValue)), 12.5);
    EXPECT_EQ(std::get<bool>(hostvariant::read(table.record(1).InitialValue)), true);
    EXPECT_EQ(std::get<bool>(hostvariant::read(table.record(2).InitialValue)), false);
    EXPECT_EQ(std::get<std::string>(hostvariant::read(table.record(3).InitialValue)), "温度 high");  // GBK
    EXPECT_EQ(std::get<std::string>(hostvariant::read(table.record(4).InitialValue)), "");

    // An OLE string keeps its byte length in front of the first unit.
    const OstrevaneVariant& text = table.record(3).InitialValue;
    const char16_t* units = static_cast<const char16_t*>(text.Data.Pointer);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(units) - 4, 4);
    EXPECT_EQ(bytes, 7u * 2u);
}

TEST(HostRecords, WriteRecordsCarryTheValueInTheTagsType)
{
    TagDataRec record;
    std::string text;
    ASSERT_TRUE(host::makeWriteRecord(7, 30.5, record, text));
    EXPECT_EQ(record.TagId, 7u);
    EXPECT_EQ(record.ValueType, OSTREVANE_VALUE_NUMBER);
    const double number = record.Value.Number;
    EXPECT_EQ(number, 30.5);

    ASSERT_TRUE(host::makeWriteRecord(8, true, record, text));
    EXPECT_EQ(record.ValueType, OSTREVANE_VALUE_BOOLEAN);
    const uint32_t flag = record.Value.Boolean;
    EXPECT_EQ(flag, 1u);

    ASSERT_TRUE(host::makeWriteRecord(9, utf8(u8"温度"), record, text));
    EXPECT_EQ(record.ValueType, OSTREVANE_VALUE_TEXT);
    EXPECT_STREQ(record.Value.Text, "温度");  // GBK for the driver
    ASSERT_TRUE(host::makeWriteRecord(9, std::string(), record, text));
    const char* const empty = record.Value.Text;
    EXPECT_EQ(empty, nullptr);  // an empty text travels as nil

    EXPECT_FALSE(host::makeWriteRecord(9, utf8(u8"\U0001F600"), record, text));
}

TEST(HostRecords, ReadRecordsGiveTheirValueAndReleaseTexts)
{
    TagDataRec record{};
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    record.Value.Number = -1.25;
    EXPECT_EQ(std::get<double>(host::recordValue(record, fakeTake)), -1.25);

    record.ValueType = OSTREVANE_VALUE_BOOLEAN;
    record.Value.Number = 0;
    record.Value.Boolean = 1;
    EXPECT_EQ(std::get<bool>(host::recordValue(record, fakeTake)), true);

    char text[] = "通讯正常!";  // GBK from the driver
    record.ValueType = OSTREVANE_VALUE_TEXT;
    record.Value.Text = text;
    EXPECT_EQ(std::get<std::string>(host::recordValue(record, fakeTake)), utf8(u8"通讯正常!"));
    EXPECT_EQ(released, text);
    record.Value.Text = nullptr;
    EXPECT_EQ(std::get<std::string>(host::recordValue(record, fakeTake)), "");
    EXPECT_EQ(released, "(null)");
}

TEST(HostValues, WrittenValuesFitTheirType)
{
    struct Case {
        host::ValueType type;
        std::string text;
        std::optional<host::Value> value;
    };
    const Case cases[] = {
        {host::ValueType::Number, "30", 30.0},        {host::ValueType::Number, "+1.5", 1.5},
        {host::ValueType::Number, "-2e3", -2000.0},   {host::ValueType::Number, "", std::nullopt},
        {host::ValueType::Number, "1,5", std::nullopt}, {host::ValueType::Number, "inf", std::nullopt},
        {host::ValueType::Boolean, "ON", true},       {host::ValueType::Boolean, "0", false},
        {host::ValueType::Boolean, "maybe", std::nullopt}, {host::ValueType::Text, " a ", std::string(" a ")},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(host::parseValue(c.type, c.text, problem), c.value) << c.text;
        EXPECT_EQ(problem.empty(), c.value.has_value()) << c.text;
    }
    EXPECT_EQ(host::formatValue(0.1 + 0.2), "0.3");
    EXPECT_EQ(host::formatValue(25.0), "25");
    EXPECT_EQ(host::formatValue(1e20), "1e+20");
}

TEST(HostValues, OleDatesShowTheirTimeOfDay)
{
    const std::pair<double, std::string> cases[] = {
        {46000.0, "00:00:00.000"}, {46000.5, "12:00:00.000"}, {46000.75 + 1.5 / 86400, "18:00:01.500"},
        {46000.9999999999, "23:59:59.999"},
    };
    for (const auto& [date, text] : cases) EXPECT_EQ(host::formatOleTime(date), text);
}

TEST(HostValues, Utf8BecomesUtf16OrIsRefused)
{
    std::vector<char16_t> units;
    EXPECT_TRUE(host::utf8ToUtf16(utf8(u8"a温\U0001F600"), units));
    EXPECT_EQ(units, (std::vector<char16_t>{u'a', u'温', 0xD83D, 0xDE00}));
    for (const std::string bad : {"\xC0\x80", "\xE6\xB8", "\xED\xA0\x80", "\xFF", "a\x80"})
        EXPECT_FALSE(host::utf8ToUtf16(bad, units)) << bad;
}

}  // namespace
