// Texts, numbers and values as the tag table reads them, without a driver object.
#include <gtest/gtest.h>

#include <limits>

#include "framework/GbkText.h"
#include "framework/HostVariant.h"
#include "framework/TagIndex.h"
#include "framework/TagValue.h"
#include "support/memory_line.h"

using namespace hostvariant;
using testing_support::variant;

TEST(GbkText, DecimalNumbersAreStrict)
{
    const std::pair<std::string, int32_t> accepted[] = {
        {"0", 0}, {"-1", -1}, {"+7", 7}, {"007", 7}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, expected] : accepted) {
        int32_t value = 12345;
        EXPECT_TRUE(gbk::parseDecimal(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const std::string text : {"2147483648", "99999999999999999999", "", "-", " 3", "3x", "0x10", "1.5",
                                   "\xA3\xB3"}) {  // a full-width digit is no digit
        int32_t value = 12345;
        EXPECT_FALSE(gbk::parseDecimal(text, value)) << text;
    }
}

TEST(GbkText, CaseAndSearchStepOverDoubleByteCharacters)
{
    // 0x81 0x61: a double-byte character whose trail byte is the letter a.
    EXPECT_EQ(gbk::upperAscii("pv\x81\x61z\x81"), "PV\x81\x61Z\x81");
    // "：" is A3 BA; here those bytes straddle two characters (B0 A3, BA A1).
    EXPECT_EQ(gbk::find("3\xB0\xA3\xBA\xA1"
                        "0",
                        "："),
              std::string::npos);
    EXPECT_EQ(gbk::find("3：0", "："), 1u);
    EXPECT_EQ(gbk::prefixWithin("ab\xB0\xA1", 3), "ab");
    EXPECT_EQ(gbk::prefixWithin("ab\xB0\xA1", 4), "ab\xB0\xA1");
    const char field[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(gbk::boundedField(field, sizeof field), "abcd");
}

TEST(TagIndexArray, LargeIdsCostNoMemoryInProportionToTheirValue)
{
    TagIndexArray index;
    index.reset(10);
    const std::pair<uint32_t, int32_t> entries[] = {{3, 0}, {500, 1}, {0xFFFFFFF0u, 2}, {0xFFFFFFFFu, 3}, {500, 4}};
    for (const auto& [id, position] : entries) index.assign(id, position);  // a later tag with the same id wins
    EXPECT_EQ(index.denseSize(), 501u);                                     // near the tag count: the array grows
    EXPECT_EQ(index.sparseSize(), 2u);
    const std::pair<uint32_t, int32_t> found[] = {{3, 0},  {500, 4},  {0xFFFFFFF0u, 2}, {0xFFFFFFFFu, 3},
                                                  {4, -1}, {501, -1}, {0xFFFFFFF1u, -1}};
    for (const auto& [id, position] : found) EXPECT_EQ(index.find(id), position) << id;
    index.clear();
    EXPECT_EQ(index.find(3), -1);
}

TEST(TagValueConversion, ValuesTakeTheKindOfTheValueType)
{
    const struct {
        TagValue in;
        uint8_t type;
        TagValue out;
    } cases[] = {
        {true, 0, 1.0},
        {std::string(" -3 "), 0, -3.0},
        {std::string("abc"), 0, std::monostate{}},
        {2.0, 1, true},
        {0.0, 1, false},
        {std::string("TRUE"), 1, true},
        {std::string("0"), 1, false},
        {std::string("yes"), 1, std::monostate{}},
        {2.5, 2, std::string("2.5")},
        {true, 2, std::string("1")},
        {-0.0, 2, std::string("0")},
        {7.0, 9, 7.0},  // unknown value types carry numbers
    };
    for (const auto& c : cases) EXPECT_EQ(tagvalue::convert(c.in, c.type), c.out) << int(c.type);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(tagvalue::same(nan, nan));
    EXPECT_FALSE(tagvalue::same(1.0, true));
    EXPECT_FALSE(tagvalue::same(std::monostate{}, 0.0));
}

TEST(HostVariant, KindsAHostSends)
{
    const std::u16string text = u"温度A", outsideGbk = u"a\U0001F600b\xD800", euro = u"\u20AC";
    const void* somewhere = reinterpret_cast<const void*>(16);
    const struct {
        OstrevaneVariant variant;
        TagValue value;
    } cases[] = {
        {variant<int64_t>(VT_NULL, 5), std::monostate{}},
        {variant<int8_t>(VT_I1, -5), -5.0},
        {variant<uint16_t>(VT_UI2, 65000), 65000.0},
        {variant<int32_t>(VT_INT, -8), -8.0},
        {variant<uint32_t>(VT_UI4, 4000000000u), 4000000000.0},
        {variant<int64_t>(VT_I8, -(int64_t{1} << 40)), -1099511627776.0},
        {variant<uint64_t>(VT_UI8, uint64_t{1} << 63), 9223372036854775808.0},
        {variant<float>(VT_R4, 1.5f), 1.5},
        {variant<int64_t>(VT_CY, 123456), 12.3456},
        {variant<double>(VT_DATE, 45000.5), 45000.5},
        {variant<int16_t>(VT_BOOL, 1), true},
        {variant<const void*>(VT_BSTR, nullptr), std::string()},
        {variant<const void*>(VT_BSTR, text.c_str()), std::string("温度A")},
        {variant<const void*>(VT_BSTR, outsideGbk.c_str()), std::string("a?b?")},  // a pair and a lone surrogate
        {variant<const void*>(VT_BSTR, euro.c_str()), std::string("\x80")},
        // References, arrays and objects are never followed.
        {variant<const void*>(0x4000 | VT_I4, somewhere), std::monostate{}},
        {variant<const void*>(0x2000 | VT_R8, somewhere), std::monostate{}},
        {variant<int64_t>(0xFFFF, 1), std::monostate{}},
    };
    for (const auto& c : cases) EXPECT_EQ(read(c.variant), c.value) << "kind " << c.variant.Kind;
}
