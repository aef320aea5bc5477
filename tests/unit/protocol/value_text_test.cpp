// Value texts: what the instruments send as data and how it reads as a number.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "protocol/ValueText.h"

using namespace valuetext;

TEST(ValueText, TheFirstNumberOfTheDataIsFoundAndCutBeforeTheNextSign)
{
    const struct {
        const char* data;
        const char* number;
    } rows[] = {{"25.0", "25.0"},   {" -3.5", "-3.5"},  {"12-34", "-12.34"}, {"1.5E+03", "1.5E"}, {"  +7", "+7"},
                {"\r", ""},         {"abc", ""},        {"ab12cd", "12cd"},  {"1-2-3", "-1.2.3"}, {"9-", "9"},
                {" 2-34", " 2.34"}, {"-12.3", "-12.3"}, {"x25.0", "25.0"}};
    for (const auto& row : rows) EXPECT_EQ(GetNumberStr(row.data), row.number) << row.data;
    EXPECT_EQ(GetNumberStr("25.0", 1), "");
    EXPECT_EQ(hexNumberText(">A001"), "A001");
    EXPECT_EQ(hexNumberText(">12+4"), "12");
    EXPECT_EQ(hexNumberText("0021"), "");
}

TEST(ValueText, NumbersReadStrictly)
{
    const struct {
        const char* text;
        std::optional<double> number;
    } decimals[] = {{"25.0", 25.0}, {" -3.5", -3.5}, {"+7", 7.0}, {"1e3", 1000.0}, {".5", 0.5},   {"5.", 5.0},
                    {"25.0 ", {}},  {"1.5E", {}},    {"", {}},    {"-", {}},       {"1e400", {}}, {"inf", {}},
                    {"nan", {}},    {"0x10", {}},    {"1,5", {}}, {"--1", {}},     {"\t1", {}}};
    for (const auto& row : decimals) EXPECT_EQ(parseDecimal(row.text), row.number) << row.text;
    const struct {
        const char* text;
        std::optional<uint32_t> number;
    } hexes[] = {{"0021", 33u},        {"a001", 0xA001u}, {"FFFFFFFF", 0xFFFFFFFFu},
                 {"000000000001", 1u}, {"100000000", {}}, {"", {}},
                 {"12G", {}},          {"-1", {}}};
    for (const auto& row : hexes) EXPECT_EQ(parseHex(row.text), row.number) << row.text;
}
