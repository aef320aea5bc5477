#include <gtest/gtest.h>

#include <cstring>

#include "driver/DLLMain.h"
#include "framework/HostVariant.h"
#include "tag_fixture.h"

using namespace hostvariant;
using tagtest::hostTag;
using testing_support::FakeClock;
using testing_support::LogRedirect;

namespace {

template <typename T>
OstrevaneVariant variantOf(uint16_t kind, T data)
{
    OstrevaneVariant variant{};
    variant.Kind = kind;
    std::memset(variant.Data.Bytes, 0xA5, sizeof variant.Data.Bytes);  // bytes the kind does not use
    std::memcpy(variant.Data.Bytes, &data, sizeof data);
    return variant;
}

}  // namespace

TEST(HostVariant, KindsAHostSends)
{
    const std::u16string text = u"温度A";
    const std::u16string outsideGbk = u"a\U0001F600b\xD800";  // a pair and a lone surrogate
    const std::u16string euro = u"\u20AC";
    const struct {
        OstrevaneVariant variant;
        TagValue value;
    } cases[] = {
        {variantOf<int64_t>(VT_EMPTY, 5), std::monostate{}},
        {variantOf<int64_t>(VT_NULL, 5), std::monostate{}},
        {variantOf<int8_t>(VT_I1, -5), -5.0},
        {variantOf<uint8_t>(VT_UI1, 250), 250.0},
        {variantOf<int16_t>(VT_I2, -300), -300.0},
        {variantOf<uint16_t>(VT_UI2, 65000), 65000.0},
        {variantOf<int32_t>(VT_I4, -70000), -70000.0},
        {variantOf<int32_t>(VT_INT, -8), -8.0},
        {variantOf<uint32_t>(VT_UI4, 4000000000u), 4000000000.0},
        {variantOf<uint32_t>(VT_UINT, 9), 9.0},
        {variantOf<int64_t>(VT_I8, -(int64_t{1} << 40)), -1099511627776.0},
        {variantOf<uint64_t>(VT_UI8, uint64_t{1} << 63), 9223372036854775808.0},
        {variantOf<float>(VT_R4, 1.5f), 1.5},
        {variantOf<double>(VT_R8, -2.25), -2.25},
        {variantOf<int64_t>(VT_CY, 123456), 12.3456},
        {variantOf<double>(VT_DATE, 45000.5), 45000.5},
        {variantOf<int16_t>(VT_BOOL, 0), false},
        {variantOf<int16_t>(VT_BOOL, -1), true},
        {variantOf<int16_t>(VT_BOOL, 1), true},
        {variantOf<const void*>(VT_BSTR, nullptr), std::string()},
        {variantOf<const void*>(VT_BSTR, text.c_str()), std::string("温度A")},
        {variantOf<const void*>(VT_BSTR, outsideGbk.c_str()), std::string("a?b?")},
        {variantOf<const void*>(VT_BSTR, euro.c_str()), std::string("\x80")},
        // References, arrays and objects are never followed.
        {variantOf<const void*>(0x4000 | VT_I4, reinterpret_cast<const void*>(16)), std::monostate{}},
        {variantOf<const void*>(0x2000 | VT_R8, reinterpret_cast<const void*>(16)), std::monostate{}},
        {variantOf<const void*>(9, reinterpret_cast<const void*>(16)), std::monostate{}},
        {variantOf<int64_t>(0xFFFF, 1), std::monostate{}},
    };
    for (const auto& c : cases) EXPECT_EQ(read(c.variant), c.value) << "kind " << c.variant.Kind;
}

TEST(HostTagRecord, FieldsWithoutTerminatorAreReadWithinTheirSize)
{
    driver::libraryInitialise();
    FakeClock clock;
    LogRedirect log;
    tagtest::TableObject object;
    object.load(tagtest::plantPDB());
    HostTagRec record = hostTag(9, "", OSTREVANE_VALUE_NUMBER, 0, tagtest::numberVariant(1));
    std::memset(&record.Name, 'N', sizeof record.Name);
    std::memset(&record.Reserved36, 'X', sizeof record.Reserved36);
    const std::string address = "PV3:0." + std::string(58, '0');
    std::memcpy(record.Address, address.data(), sizeof record.Address);
    record.ValueType = 0;  // directly after the address: no terminator there either
    const auto tag = object.CreatInternalTag(record);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->name, std::string(32, 'N'));
    EXPECT_EQ(tag->address, address);
    EXPECT_EQ(tag->bitNo, 0);
}

TEST(HostTagRecord, InitialValuesBecomeTheTagsKind)
{
    driver::libraryInitialise();
    FakeClock clock;
    LogRedirect log;
    tagtest::TableObject object;
    object.load(tagtest::plantPDB());
    const std::u16string number = u"12.5", word = u"abc", temperature = u"温度";
    const OstrevaneVariant reference = variantOf<const void*>(0x4000 | VT_R8, reinterpret_cast<const void*>(16));
    const struct {
        uint8_t type;
        OstrevaneVariant initial;
        TagValue value, reported;
        int32_t bit;
    } cases[] = {
        // No initial value: the kind's zero; the bit stays the address's in every kind.
        {0, tagtest::emptyVariant(), 0.0, std::monostate{}, 4},
        {1, tagtest::emptyVariant(), false, std::monostate{}, 4},
        {2, tagtest::emptyVariant(), std::string(), std::monostate{}, 4},
        {0, reference, 0.0, std::monostate{}, 4},
        {0, tagtest::numberVariant(12.5), 12.5, 12.5, 4},
        {1, tagtest::booleanVariant(true), true, true, 4},
        {2, tagtest::textVariant(temperature), std::string("温度"), std::string("温度"), 4},
        {0, tagtest::textVariant(number), 12.5, 12.5, 4},
        {0, tagtest::textVariant(word), 0.0, 0.0, 4},  // no number: zero, the bit stays
        {2, tagtest::numberVariant(2.5), std::string("2.5"), std::string("2.5"), 4},
        {1, tagtest::numberVariant(3), true, true, 4},
    };
    for (const auto& c : cases) {
        const auto tag = object.CreatInternalTag(hostTag(1, "SW3:0.4", c.type, 250, c.initial));
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->value, c.value) << int(c.type);
        EXPECT_EQ(tag->reportedValue, c.reported) << int(c.type);
        EXPECT_EQ(tag->bitNo, c.bit) << int(c.type);
        EXPECT_EQ(tag->reportCountdown, 5);
        EXPECT_EQ(tag->lastReportTick, clock.tick);
        EXPECT_EQ(tag->period, 250u);
        EXPECT_EQ(tag->writeAllowed, 1);  // SW may be written
    }
}
