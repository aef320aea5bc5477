// Parameter values: how they are written into replies, read from selects and moved over time.
#include <gtest/gtest.h>

#include <string>

#include "sim/instrument.h"

namespace {

using sim::ValueSource;

TEST(SimValues, RepliesCarryOneDecimalPaddedToFiveCharacters)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {{25, " 25.0"}, {-5.5, " -5.5"}, {0, "  0.0"}, {1234.5, "1234.5"}, {-0.04, "  0.0"},
                 {7.26, "  7.3"}, {-123.4, "-123.4"}};
    for (const auto& c : cases) EXPECT_EQ(sim::formatValue(c.value), c.text) << c.value;
}

TEST(SimValues, ValueTextsOfSelectsAreReadAsPlainNumbers)
{
    const struct {
        const char* text;
        bool valid;
        double value;
    } cases[] = {{" 25.0", true, 25},  {"-5.5", true, -5.5}, {"+3", true, 3},      {"000000", true, 0},
                 {"25.0 ", false, 0},  {"", false, 0},       {"   ", false, 0},    {"-", false, 0},
                 {"+-1", false, 0},    {"nan", false, 0},    {"inf", false, 0},    {"1,5", false, 0},
                 {">0021", false, 0},  {"12-34", false, 0}};
    for (const auto& c : cases) {
        const auto parsed = sim::parseNumber(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid) << "'" << c.text << "'";
        if (c.valid) {
            EXPECT_DOUBLE_EQ(*parsed, c.value) << c.text;
        }
    }
}

TEST(SimValues, DurationsTakeMillisecondsSecondsAndMinutes)
{
    const struct {
        const char* text;
        bool valid;
        uint64_t ms;
    } cases[] = {{"250", true, 250}, {"250ms", true, 250}, {"10s", true, 10000}, {"2min", true, 120000},
                 {"", false, 0},     {"s", false, 0},      {"10h", false, 0},    {"-5s", false, 0},
                 {"1.5s", false, 0}, {"99999999999999min", false, 0}};
    for (const auto& c : cases) {
        const auto parsed = sim::parseDuration(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(*parsed, c.ms) << c.text;
        }
    }
}

TEST(SimValues, RampClimbsOverItsPeriodAndStartsAgain)
{
    std::string error;
    const auto ramp = sim::parseValueSource("20..30/10s", error);
    ASSERT_TRUE(ramp) << error;
    EXPECT_EQ(ramp->kind, ValueSource::Kind::Ramp);
    EXPECT_EQ(ramp->dataText(0), " 20.0");
    EXPECT_EQ(ramp->dataText(5000), " 25.0");
    EXPECT_EQ(ramp->dataText(9900), " 29.9");
    EXPECT_EQ(ramp->dataText(10000), " 20.0");
    EXPECT_EQ(ramp->dataText(12500), " 22.5");
}

TEST(SimValues, SineSwingsAroundItsMiddle)
{
    std::string error;
    const auto sine = sim::parseValueSource("25~5/60s", error);
    ASSERT_TRUE(sine) << error;
    EXPECT_EQ(sine->dataText(0), " 25.0");
    EXPECT_EQ(sine->dataText(15000), " 30.0");
    EXPECT_EQ(sine->dataText(30000), " 25.0");
    EXPECT_EQ(sine->dataText(45000), " 20.0");
    EXPECT_EQ(sine->dataText(75000), " 30.0");
}

TEST(SimValues, MalformedValuesAreRefusedWithAReason)
{
    for (const char* text : {"", "abc", "20..30", "20..x/1s", "20..30/0s", "25~5", "25~5/soon", "1e999"}) {
        std::string error;
        EXPECT_FALSE(sim::parseValueSource(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(SimValues, RawDataIsPrintableAndShort)
{
    std::string error;
    const auto raw = sim::parseRawSource(">0021", error);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->dataText(123), ">0021");
    EXPECT_TRUE(sim::parseRawSource("", error));
    EXPECT_FALSE(sim::parseRawSource(std::string("2\x03"), error));
    EXPECT_FALSE(sim::parseRawSource(std::string(33, '1'), error));
}

TEST(SimValues, ParametersNeverSetReadZeroAndMnemonicsKeepTheirCase)
{
    sim::Instrument instrument(1, sim::InstrumentType::Model847);
    EXPECT_EQ(instrument.dataText("SL", 0), "  0.0");
    instrument.set("HB", ValueSource::constant(12.5));
    EXPECT_EQ(instrument.dataText("HB", 0), " 12.5");
    EXPECT_EQ(instrument.dataText("Hb", 0), "  0.0");
    EXPECT_TRUE(sim::isKnownMnemonic("Hb"));
    EXPECT_FALSE(sim::isKnownMnemonic("hb"));
    EXPECT_FALSE(sim::isKnownMnemonic("P"));
}

}  // namespace
