#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/GbkText.h"
#include "framework/TagIndex.h"
#include "framework/TagValue.h"

TEST(GbkText, DecimalNumbersAreStrict)
{
    struct Case {
        std::string text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},           {"42", true, 42},          {"-1", true, -1},
        {"+7", true, 7},          {"007", true, 7},          {"2147483647", true, 2147483647},
        {"-2147483648", true, std::numeric_limits<int32_t>::min()},
        {"2147483648", false, 0}, {"99999999999999999999", false, 0},
        {"", false, 0},           {"-", false, 0},           {"+", false, 0},
        {" 3", false, 0},         {"3 ", false, 0},          {"3x", false, 0},
        {"0x10", false, 0},       {"$10", false, 0},         {"1.5", false, 0},
        {"\xA3\xB3", false, 0},   // a full-width digit is no digit
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        EXPECT_EQ(gbk::parseDecimal(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(GbkText, CaseAndSearchStepOverDoubleByteCharacters)
{
    // 0x81 0x61: a double-byte character whose trail byte is the letter a.
    EXPECT_EQ(gbk::upperAscii("pv\x81\x61z"), "PV\x81\x61Z");
    EXPECT_EQ(gbk::upperAscii("\x81"), "\x81");  // a lone lead byte at the end
    // "：" is A3 BA; here those bytes straddle two characters (B0 A3, BA A1).
    const std::string straddling = "3\xB0\xA3\xBA\xA1" "0";
    EXPECT_EQ(gbk::find(straddling, "："), std::string::npos);
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
    index.assign(3, 0);
    index.assign(500, 1);  // near the tag count: the array grows
    index.assign(0xFFFFFFF0u, 2);
    index.assign(0xFFFFFFFFu, 3);
    EXPECT_EQ(index.denseSize(), 501u);
    EXPECT_EQ(index.sparseSize(), 2u);
    EXPECT_EQ(index.find(3), 0);
    EXPECT_EQ(index.find(500), 1);
    EXPECT_EQ(index.find(0xFFFFFFF0u), 2);
    EXPECT_EQ(index.find(0xFFFFFFFFu), 3);
    for (uint32_t none : {0u, 4u, 499u, 501u, 0xFFFFFFF1u}) EXPECT_EQ(index.find(none), -1) << none;
    index.assign(500, 7);  // a later tag with the same id takes the entry
    EXPECT_EQ(index.find(500), 7);
    index.clear();
    EXPECT_EQ(index.find(3), -1);
}

TEST(TagValueConversion, ValuesTakeTheKindOfTheValueType)
{
    struct Case {
        TagValue in;
        uint8_t type;
        TagValue out;
    };
    const Case cases[] = {
        {12.5, 0, 12.5},           {true, 0, 1.0},       {std::string("12.5"), 0, 12.5},
        {std::string(" -3 "), 0, -3.0}, {std::string("abc"), 0, std::monostate{}},
        {2.0, 1, true},            {0.0, 1, false},      {std::string("TRUE"), 1, true},
        {std::string("0"), 1, false}, {std::string("yes"), 1, std::monostate{}},
        {2.5, 2, std::string("2.5")}, {true, 2, std::string("1")}, {-0.0, 2, std::string("0")},
        {std::monostate{}, 0, std::monostate{}}, {7.0, 9, 7.0},  // unknown value types carry numbers
    };
    for (const Case& c : cases) EXPECT_EQ(tagvalue::convert(c.in, c.type), c.out) << int(c.type);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(tagvalue::same(nan, nan));
    EXPECT_FALSE(tagvalue::same(1.0, true));
    EXPECT_FALSE(tagvalue::same(std::monostate{}, 0.0));
    EXPECT_TRUE(tagvalue::same(std::string("a"), std::string("a")));
}
