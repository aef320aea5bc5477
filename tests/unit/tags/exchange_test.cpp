#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "driver/DLLMain.h"
#include "framework/ValueExchange.h"
#include "platform/calendar.h"
#include "tag_fixture.h"

using tagtest::hostTag;
using testing_support::FakeClock;
using testing_support::LogRedirect;
using testing_support::takeHostText;

namespace {

// Record fields read by value: the records are packed, so their fields may sit on
// any address and cannot be bound to references.
double numberOf(const TagDataRec& record) { return record.Value.Number; }
double stampOf(const TagDataRec& record) { return record.TimeStamp; }
uint32_t qualityOf(const TagDataRec& record) { return record.Quality; }
const char* textOf(const TagDataRec& record) { return record.Value.Text; }

class Exchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver::libraryInitialise();
        object.load(tagtest::plantPDB());
    }
    void build(std::vector<HostTagRec> hostTags) { ASSERT_TRUE(object.build(hostTags)); }
    // One read call `ms` after the previous one; the ids reported.
    std::vector<uint32_t> readAfter(uint32_t ms)
    {
        clock.advance(ms);
        uint32_t count = 0;
        records.assign(8, TagDataRec{});
        valueexchange::reportChanges(object, records.data(), count);
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < count; ++i) ids.push_back(records[i].TagId);
        return ids;
    }
    FakeClock clock;
    LogRedirect log;
    tagtest::TableObject object;
    std::vector<TagDataRec> records;
    using Ids = std::vector<uint32_t>;
};

}  // namespace

TEST_F(Exchange, NewTagsAreReportedSixTimesThenOnlyOnChange)
{
    build({hostTag(1, "PV3:0.0", 0, 0, tagtest::numberVariant(5)), hostTag(2, "SP3:0.0", 0, 0, tagtest::numberVariant(6))});
    EXPECT_EQ(readAfter(0), Ids{});  // no time has passed since the tags were made
    for (int call = 0; call < 6; ++call) EXPECT_EQ(readAfter(1), (Ids{1, 2})) << call;
    EXPECT_EQ(object.tag(0).reportCountdown, -1);
    EXPECT_EQ(readAfter(1), Ids{});
    object.TagTable[1]->value = 6.5;
    EXPECT_EQ(readAfter(1), Ids{2});
    EXPECT_EQ(numberOf(records[0]), 6.5);
    EXPECT_EQ(readAfter(1), Ids{});
    // Same value, new quality: reported with the old value.
    object.TagTable[0]->quality = OSTREVANE_QUALITY_BAD;
    EXPECT_EQ(readAfter(1), Ids{1});
    EXPECT_EQ(qualityOf(records[0]), static_cast<uint32_t>(OSTREVANE_QUALITY_BAD));
    EXPECT_EQ(numberOf(records[0]), 5.0);
    EXPECT_EQ(readAfter(1), Ids{});
    // A NaN that stays a NaN is no change.
    object.TagTable[0]->value = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(readAfter(1), Ids{1});
    EXPECT_TRUE(std::isnan(numberOf(records[0])));
    EXPECT_EQ(readAfter(1), Ids{});
}

TEST_F(Exchange, ReportIntervalAcrossTheTickWrap)
{
    clock.tick = 0xFFFFFF00u;
    build({hostTag(1, "PV3:0.0", 0, 500, tagtest::numberVariant(1))});
    EXPECT_EQ(readAfter(500), Ids{});   // exactly the interval is not enough
    EXPECT_EQ(readAfter(1), Ids{1});    // the tick count wrapped on the way
    EXPECT_LT(clock.tick, 0x1000u);
    object.TagTable[0]->value = 2.0;
    object.TagTable[0]->value = 3.0;
    EXPECT_EQ(readAfter(499), Ids{});
    EXPECT_EQ(readAfter(2), Ids{1});
    EXPECT_EQ(numberOf(records[0]), 3.0);  // the value it has when the interval has passed
}

TEST_F(Exchange, RecordEncodings)
{
    const std::u16string word = u"温度";
    build({hostTag(1, "PV3:0.0", 0, 0, tagtest::numberVariant(-2.5)), hostTag(2, "SW3:0.1", 1, 0, tagtest::booleanVariant(true)),
           hostTag(3, "SW3:0.2", 1, 0, tagtest::booleanVariant(false)), hostTag(4, "PV3:0.0", 2, 0, tagtest::textVariant(word)),
           hostTag(5, "PV3:0.0", 2), hostTag(6, "PV3:0.0", 9, 0, tagtest::numberVariant(4))});
    clock.now = {2024, 3, 1, 12, 0, 0, 0};
    ASSERT_EQ(readAfter(1).size(), 6u);
    uint8_t raw[sizeof(TagDataRec)];
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(stampOf(records[i]), platform::toOleDate(clock.now));
        EXPECT_EQ(qualityOf(records[i]), 0u);
    }
    EXPECT_EQ(records[0].ValueType, 0);
    EXPECT_EQ(numberOf(records[0]), -2.5);
    std::memcpy(raw, &records[1], sizeof raw);
    EXPECT_EQ(raw[16], 1);
    EXPECT_EQ((std::vector<uint8_t>(raw + 20, raw + 24)), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(records[2].Value.Boolean, 0u);
    EXPECT_EQ(takeHostText(records[3].Value.Text), "温度");
    EXPECT_EQ(textOf(records[4]), nullptr);  // empty text: nil
    EXPECT_EQ(records[5].ValueType, 9);        // a value type the host made up comes back as it was
    EXPECT_EQ(numberOf(records[5]), 4.0);
    EXPECT_EQ(records[6].TagId, 0u);           // records beyond the count are not written
}

TEST_F(Exchange, WritesAreMatchedByIdAndValueType)
{
    build({hostTag(1, "SW3:0.0", 1), hostTag(0xFFFFFFF0u, "SW3:0.0", 0), hostTag(3, "SW3:0.0", 2)});
    object.writeResults = {true, false, true, false};
    std::string longText(300, 'a');
    longText.replace(254, 2, "\xB0\xA1");  // a double-byte character across the 255-byte limit
    std::vector<TagDataRec> in(6);
    in[0] = TagDataRec{1, 0, 0, 1, {}, {}};
    in[0].Value.Boolean = 7;
    in[1] = TagDataRec{1, 0, 0, 0, {}, {}};  // value type differs from the tag's: skipped
    in[2] = TagDataRec{99, 0, 0, 1, {}, {}};  // no such tag: skipped
    in[3] = TagDataRec{0xFFFFFFF0u, 0, 0, 0, {}, {}};
    in[3].Value.Number = 12.5;
    in[4] = TagDataRec{3, 0, 0, 2, {}, {}};
    in[4].Value.Text = longText.data();
    in[5] = TagDataRec{3, 0, 0, 2, {}, {}};  // nil text
    EXPECT_FALSE(valueexchange::applyWrites(object, in.data(), 6));  // the last write's answer
    ASSERT_EQ(object.writes.size(), 4u);
    EXPECT_EQ(object.writes[0], (std::pair<uint32_t, TagValue>{1, true}));
    EXPECT_EQ(object.writes[1], (std::pair<uint32_t, TagValue>{0xFFFFFFF0u, 12.5}));
    EXPECT_EQ(object.writes[2].second, TagValue(longText.substr(0, 254)));
    EXPECT_EQ(object.writes[3].second, TagValue(std::string()));
    object.writes.clear();
    object.writeResults = {true};
    EXPECT_TRUE(valueexchange::applyWrites(object, in.data(), 1));
    EXPECT_FALSE(valueexchange::applyWrites(object, in.data() + 1, 2));  // nothing carried out
}
