// The command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/options.h"

namespace {

std::optional<sim::Options> parse(const std::vector<std::string>& arguments, std::string* errorOut = nullptr)
{
    std::string error;
    auto options = sim::parseOptions(arguments, error);
    if (errorOut) *errorOut = error;
    return options;
}

TEST(SimOptions, AFullCommandLineIsRead)
{
    const auto options = parse({"--pty", "--link", "/tmp/line", "--instrument", "1:808", "--instrument=3:847", "--value", "1:PV=25.0",
                                "--ramp", "3:SL=20..30/10s", "--sine", "3:HA=25~5/1min", "--raw", "1:SW=>0021",
                                "--fault", "3 silence on", "--pace", "9600:10", "--trace"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->pty);
    EXPECT_EQ(options->linkPath, "/tmp/line");
    ASSERT_EQ(options->instruments.size(), 2u);
    EXPECT_EQ(options->instruments[1].device, 3);
    EXPECT_EQ(options->instruments[1].type, sim::InstrumentType::Model847);
    ASSERT_EQ(options->values.size(), 4u);
    EXPECT_EQ(options->values[3].source.raw, ">0021");
    EXPECT_EQ(options->pace.baud, 9600u);
    EXPECT_TRUE(options->trace);

    sim::Simulator simulator;
    sim::Session session;
    std::string error;
    ASSERT_TRUE(sim::configure(*options, simulator, session, error)) << error;
    EXPECT_EQ(simulator.instrument(1)->dataText("PV", 0), " 25.0");
    EXPECT_EQ(simulator.instrument(3)->dataText("SL", 5000), " 25.0");
    EXPECT_EQ(simulator.faults().describe(), "3: silence");
    EXPECT_TRUE(session.trace);
    EXPECT_TRUE(session.pty);
    EXPECT_EQ(session.pace.bitsPerCharacter, 10u);
}

TEST(SimOptions, ASerialDeviceTakesRateAndFormat)
{
    const auto options =
        parse({"--device", "/dev/ttyUSB0", "--baud", "19200", "--line", "7E2", "--instrument", "5:808"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(options->baud, 19200u);
    EXPECT_EQ(options->format.dataBits, 7);
    EXPECT_EQ(options->format.parity, 'E');
    EXPECT_EQ(options->format.stopBits, 2);
}

TEST(SimOptions, HelpNeedsNothingElse)
{
    const auto options = parse({"--help"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
    EXPECT_NE(sim::usageText().find("--instrument DEV:TYPE"), std::string::npos);
}

TEST(SimOptions, MistakesAreRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--instrument", "1:808"},
        {"--pty", "--device", "/dev/ttyS0", "--instrument", "1:808"},
        {"--pty"},
        {"--pty", "--instrument", "1:809"},
        {"--pty", "--instrument", "100:808"},
        {"--pty", "--instrument", "1"},
        {"--pty", "--instrument"},
        {"--pty", "--instrument", "1:808", "--value", "1:PV=abc"},
        {"--pty", "--instrument", "1:808", "--value", "1:XX=5"},
        {"--pty", "--instrument", "1:808", "--value", "PV=5"},
        {"--pty", "--instrument", "1:808", "--ramp", "1:PV=5"},
        {"--pty", "--instrument", "1:808", "--sine", "1:PV=20..30/1s"},
        {"--pty", "--instrument", "1:808", "--pace", "fast"},
        {"--pty", "--instrument", "1:808", "--baud", "0"},
        {"--pty", "--instrument", "1:808", "--line", "9N1"},
        {"--pty", "--instrument", "1:808", "--verbose"},
        {"--pty=yes", "--instrument", "1:808"},
        {"pty", "--instrument", "1:808"},
        {"--device", "/dev/ttyS0", "--link", "/tmp/line", "--instrument", "1:808"},
        {"--pty", "--link=", "--instrument", "1:808"},
    };
    for (const auto& arguments : cases) {
        std::string error;
        EXPECT_FALSE(parse(arguments, &error)) << arguments.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptions, ContradictionsAreFoundWhenTheSimulatorIsSetUp)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--pty", "--instrument", "1:808", "--value", "2:PV=5"},
        {"--pty", "--instrument", "1:808", "--instrument", "1:847"},
        {"--pty", "--instrument", "1:808", "--fault", "split 1"},
    };
    for (const auto& arguments : cases) {
        const auto options = parse(arguments);
        ASSERT_TRUE(options) << arguments.back();
        sim::Simulator simulator;
        sim::Session session;
        std::string error;
        EXPECT_FALSE(sim::configure(*options, simulator, session, error)) << arguments.back();
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
