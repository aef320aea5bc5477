// Value texts: what the instruments send as data and how it reads as a number.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "protocol/ValueText.h"

using namespace valuetext;

TEST(NumberText, TheFirstNumberOfTheDataIsFoundAndCutBeforeTheNextSign)
{
    struct Row {
        const char* data;
        const char* number;
    };
    const Row rows[] = {
        {"25.0", "25.0"},       {" -3.5", "-3.5"},     {"12-34", "-12.34"},   {"1.5E+03", "1.5E"},
        {"  +7", "+7"},         {"25.0\r\n", "25.0"},  {"\r", ""},            {"abc", ""},
        {"", ""},               {"ab12cd", "12cd"},    {"-", "-"},            {"1-2-3", "-1.2.3"},
        {"9-", "9"},            {" 2-34", " 2.34"},    {"-12.3", "-12.3"},    {"x25.0", "25.0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        EXPECT_EQ(GetNumberStr(row.data), row.number);
    }
    EXPECT_EQ(GetNumberStr("25.0", 1), "");
}

TEST(NumberText, HexadecimalDataStartsAfterTheMarker)
{
    EXPECT_EQ(hexNumberText(">0021"), "0021");
    EXPECT_EQ(hexNumberText(">A001"), "A001");
    EXPECT_EQ(hexNumberText(">12+4"), "12");
    EXPECT_EQ(hexNumberText("0021"), "");
    EXPECT_EQ(hexNumberText(">"), "");
}

TEST(NumberText, DecimalNumbersReadStrictlyWithLeadingSpacesOnly)
{
    struct Row {
        const char* text;
        std::optional<double> number;
    };
    const Row rows[] = {
        {"25.0", 25.0},   {" -3.5", -3.5},        {"-12.34", -12.34},   {"+7", 7.0},      {"1e3", 1000.0},
        {".5", 0.5},      {"5.", 5.0},            {"  0", 0.0},         {"25.0 ", {}},    {"1.5E", {}},
        {"", {}},         {"-", {}},              {".", {}},            {"1e400", {}},    {"inf", {}},
        {"nan", {}},      {"0x10", {}},           {"1,5", {}},          {"--1", {}},      {"\t1", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseDecimal(row.text), row.number);
    }
}

TEST(NumberText, HexadecimalNumbersFitThirtyTwoBits)
{
    EXPECT_EQ(parseHex("0021"), 33u);
    EXPECT_EQ(parseHex("A001"), 0xA001u);
    EXPECT_EQ(parseHex("a001"), 0xA001u);
    EXPECT_EQ(parseHex("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseHex("000000000001"), 1u);
    EXPECT_EQ(parseHex("100000000"), std::nullopt);
    EXPECT_EQ(parseHex(""), std::nullopt);
    EXPECT_EQ(parseHex("12G"), std::nullopt);
    EXPECT_EQ(parseHex("-1"), std::nullopt);
    EXPECT_EQ(parseHex("0x1"), std::nullopt);
}

TEST(NumberText, IntegersArePaddedWithZerosAfterTheSign)
{
    EXPECT_EQ(paddedInteger(0, 6), "000000");
    EXPECT_EQ(paddedInteger(1, 2), "01");
    EXPECT_EQ(paddedInteger(12, 2), "12");
    EXPECT_EQ(paddedInteger(100, 2), "100");
    EXPECT_EQ(paddedInteger(-1, 2), "-01");
    EXPECT_EQ(paddedInteger(10, 2, true), "0A");
    EXPECT_EQ(paddedInteger(255, 2, true), "FF");
}

TEST(NumberText, AnalogTextsBeyondTheInstrumentsRangeTurnToExponentForm)
{
    EXPECT_EQ(analogText(100000), "1.0000E+05");
    EXPECT_EQ(analogText(-123456.7), "-1.2346E+05");
    EXPECT_THROW(analogText(std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
    EXPECT_THROW(analogText(std::numeric_limits<double>::infinity()), std::invalid_argument);
    EXPECT_EQ(analogText(4.9e-324), "  0.0");
}
