// Texts, numbers and values as the tag table reads them, without a driver object.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "framework/GbkText.h"
#include "framework/HostVariant.h"
#include "framework/TagValue.h"
#include "support/memory_line.h"

using namespace hostvariant;
using testing_support::variant;

TEST(GbkText, StrictDecimalsAndDoubleByteCharacters)
{
    int32_t value = 0;
    const std::pair<std::string, int32_t> accepted[] = {
        {"+7", 7}, {"-1", -1}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, expected] : accepted) {
        EXPECT_TRUE(gbk::parseDecimal(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    // A full-width digit (A3 B3) is no digit.
    for (const std::string text : {"2147483648", "99999999999", "", "+", " 3", "3x", "\xA3\xB3"})
        EXPECT_FALSE(gbk::parseDecimal(text, value)) << text;
    // 0x81 0x61: a double-byte character whose trail byte is the letter a.
    EXPECT_EQ(gbk::upperAscii("pv\x81\x61z\x81"), "PV\x81\x61Z\x81");
    // "：" is A3 BA; here those bytes straddle two characters (B0 A3, BA A1).
    EXPECT_EQ(gbk::find("3\xB0\xA3\xBA\xA1!", "："), std::string::npos);
    EXPECT_EQ(gbk::find("3：0", "："), 1u);
    EXPECT_EQ(gbk::prefixWithin("ab\xB0\xA1", 3), "ab");
    EXPECT_EQ(gbk::prefixWithin("ab\xB0\xA1", 4), "ab\xB0\xA1");
    const char field[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(gbk::boundedField(field, sizeof field), "abcd");
}

TEST(TagValueConversion, ValuesTakeTheKindOfTheValueType)
{
    // Unknown value types (9) carry numbers.
    const std::tuple<TagValue, uint8_t, TagValue> cases[] = {{true, 0, 1.0},
                                                             {std::string(" -3 "), 0, -3.0},
                                                             {std::string("abc"), 0, std::monostate{}},
                                                             {2.0, 1, true},
                                                             {std::string("TRUE"), 1, true},
                                                             {std::string("0"), 1, false},
                                                             {std::string("yes"), 1, std::monostate{}},
                                                             {true, 2, std::string("1")},
                                                             {-0.0, 2, std::string("0")},
                                                             {7.0, 9, 7.0}};
    for (const auto& [in, type, out] : cases) EXPECT_EQ(tagvalue::convert(in, type), out) << int(type);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(tagvalue::same(nan, nan));
    EXPECT_FALSE(tagvalue::same(1.0, true));
}

TEST(HostVariant, KindsAHostSends)
{
    // Texts outside GBK (a pair, a lone surrogate) give question marks; references and
    // arrays are never followed.
    const std::u16string text = u"温度A", outsideGbk = u"a\U0001F600b\xD800", euro = u"\u20AC";
    const std::pair<OstrevaneVariant, TagValue> cases[] = {
        {variant<int8_t>(VT_I1, -5), -5.0},
        {variant<uint32_t>(VT_UI4, 4000000000u), 4000000000.0},
        {variant<uint64_t>(VT_UI8, uint64_t{1} << 63), 9223372036854775808.0},
        {variant<float>(VT_R4, 1.5f), 1.5},
        {variant<int64_t>(VT_CY, 123456), 12.3456},
        {variant<int16_t>(VT_BOOL, 1), true},
        {variant<const void*>(VT_BSTR, nullptr), std::string()},
        {variant(VT_BSTR, text.c_str()), std::string("温度A")},
        {variant(VT_BSTR, outsideGbk.c_str()), std::string("a?b?")},
        {variant(VT_BSTR, euro.c_str()), std::string("\x80")},
        {variant(0x4000 | VT_I4, &text), std::monostate{}},
        {variant(0x2000 | VT_R8, &text), std::monostate{}},
        {variant<int64_t>(0xFFFF, 1), std::monostate{}}};
    for (const auto& [host, value] : cases) EXPECT_EQ(read(host), value) << "kind " << host.Kind;
}
