// The host's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "host/options.h"

namespace {

std::optional<host::Options> parse(const std::vector<std::string>& arguments, std::string* errorOut = nullptr)
{
    std::string error;
    auto options = host::parseOptions(arguments, error);
    if (errorOut) *errorOut = error;
    return options;
}

TEST(HostOptions, ARunCommandLineIsRead)
{
    const auto options = parse({"--driver", "/opt/libOstrevane800.so", "run", "--tags", "tags.csv", "--pdb=line.pdb",
                                "--device", "1:808", "--device", "3:847", "--port", "COM2", "--baud", "19200",
                                "--line", "7E2", "--duration", "20s", "--write", "SL1=30@5", "--write", "7=1.5",
                                "--traffic", "--output", "lines", "--log", "x/Debug/Ostrevane800.Log"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, host::Command::Run);
    EXPECT_EQ(options->driverPath, "/opt/libOstrevane800.so");
    EXPECT_EQ(options->tagsFile, "tags.csv");
    EXPECT_EQ(options->pdbFile, "line.pdb");
    ASSERT_EQ(options->settings.devices.size(), 2u);
    EXPECT_EQ(options->settings.devices[1].number, 3);
    EXPECT_EQ(options->settings.devices[1].type, OSTREVANE_DEVICE_847);
    EXPECT_EQ(options->settings.portCode, 1);
    EXPECT_EQ(options->settings.baudCode, 8);  // 19200 in the baud table
    EXPECT_EQ(options->settings.dataBitsCode, 3);
    EXPECT_EQ(options->settings.parityCode, 2);
    EXPECT_EQ(options->settings.stopBitsCode, 2);
    EXPECT_EQ(options->durationSeconds, 20.0);
    ASSERT_EQ(options->writes.size(), 2u);
    EXPECT_EQ(options->writes[0].tag, "SL1");
    EXPECT_EQ(options->writes[0].value, "30");
    EXPECT_EQ(options->writes[0].atSeconds, 5.0);
    EXPECT_EQ(options->writes[1].atSeconds, 0.0);
    EXPECT_TRUE(options->traffic);
    EXPECT_EQ(options->output, host::OutputMode::Lines);
    EXPECT_EQ(options->logPath, "x/Debug/Ostrevane800.Log");
}

TEST(HostOptions, ConfigurationCommandsNameTheirFile)
{
    struct Case {
        std::vector<std::string> arguments;
        host::Command command;
        std::string file;
    };
    const Case cases[] = {
        {{"pdb", "create", "a.pdb", "--device", "1:808"}, host::Command::PdbCreate, "a.pdb"},
        {{"pdb", "set", "a.pdb", "--trace", "on"}, host::Command::PdbSet, "a.pdb"},
        {{"pdb", "show", "a.pdb"}, host::Command::PdbShow, "a.pdb"},
        {{"address", "--pdb", "b.pdb", "PV1:0", "SL3"}, host::Command::Address, "b.pdb"},
        {{"types"}, host::Command::Types, ""},
        {{"--help"}, host::Command::Help, ""},
        {{"help"}, host::Command::Help, ""},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = parse(c.arguments, &error);
        ASSERT_TRUE(options) << c.arguments[0] << ": " << error;
        EXPECT_EQ(options->command, c.command) << c.arguments[0];
        EXPECT_EQ(options->pdbFile, c.file) << c.arguments[0];
    }
    EXPECT_EQ(parse({"address", "PV1:0", "SL3"})->addresses, (std::vector<std::string>{"PV1:0", "SL3"}));
}

TEST(HostOptions, SettingsTakeTheirTablesValues)
{
    struct Case {
        std::string option;
        std::string value;
        bool accepted;
    };
    const Case cases[] = {
        {"--device", "0:808", true},  {"--device", "99:none", true}, {"--device", "100:808", false},
        {"--device", "1:809", false}, {"--device", "1", false},      {"--port", "com10", true},
        {"--port", "3", true},        {"--port", "COM11", false},    {"--port", "COM0", false},
        {"--baud", "256000", true},   {"--baud", "110", true},       {"--baud", "9601", false},
        {"--line", "8N1.5", true},    {"--line", "4S2", true},       {"--line", "9N1", false},
        {"--line", "8X1", false},     {"--line", "8N3", false},      {"--mode", "multi", true},
        {"--mode", "bus", false},     {"--trace", "on", true},       {"--debug", "maybe", false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = parse({"pdb", "create", "x.pdb", c.option, c.value}, &error);
        EXPECT_EQ(options.has_value(), c.accepted) << c.option << " " << c.value << ": " << error;
        if (!c.accepted) {
            EXPECT_NE(error.find(c.option), std::string::npos) << error;
        }
    }
}

TEST(HostOptions, MisplacedOrMissingPartsAreRefusedWithAReason)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string reason;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"launch"}, "unknown command launch"},
        {{"run"}, "--tags"},
        {{"run", "--tags"}, "needs a value"},
        {{"run", "--tags", "t.csv", "--bogus", "1"}, "unknown option --bogus"},
        {{"run", "--tags", "t.csv", "--write", "SL1"}, "--write"},
        {{"run", "--tags", "t.csv", "--write", "SL1=3@soon"}, "--write"},
        {{"run", "--tags", "t.csv", "--duration", "-3"}, "--duration"},
        {{"run", "--tags", "t.csv", "--output", "html"}, "--output"},
        {{"pdb", "show", "a.pdb", "--baud", "9600"}, "no configuration settings"},
        {{"pdb", "set", "a.pdb"}, "at least one setting"},
        {{"pdb", "create"}, "file name"},
        {{"pdb", "open", "a.pdb"}, "create, set or show"},
        {{"types", "--tags", "t.csv"}, "belong to the run command"},
        {{"types", "--pdb", "a.pdb"}, "--pdb belongs"},
        {{"address"}, "at least one tag address"},
        {{"types", "extra"}, "no further words"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.arguments, &error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << "expected '" << c.reason << "' in: " << error;
    }
}

TEST(HostOptions, DurationsTakeSecondsMillisecondsAndMinutes)
{
    const std::pair<std::string, std::optional<double>> cases[] = {
        {"20", 20.0},      {"20s", 20.0},        {"1500ms", 1.5},     {"2min", 120.0}, {"0.5", 0.5},
        {"", std::nullopt}, {"s", std::nullopt}, {"-1", std::nullopt}, {"3h", std::nullopt}, {"1e400", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) EXPECT_EQ(host::parseDuration(text), seconds) << text;
}

TEST(HostOptions, AWriteSplitsAtTheFirstEqualsAndTheLastAt)
{
    struct Case {
        std::string text;
        bool valid;
        std::string tag, value;
        double at;
    };
    const Case cases[] = {
        {"SL1=30", true, "SL1", "30", 0},
        {"7=1.5@2.5", true, "7", "1.5", 2.5},
        {"NOTE=a=b@c@1", true, "NOTE", "a=b@c", 1},  // a text may hold = and @
        {"NOTE=", true, "NOTE", "", 0},
        {"=5", false, "", "", 0},
        {"SL1", false, "", "", 0},
    };
    for (const Case& c : cases) {
        const auto request = host::parseWriteRequest(c.text);
        ASSERT_EQ(request.has_value(), c.valid) << c.text;
        if (!request) continue;
        EXPECT_EQ(request->tag, c.tag) << c.text;
        EXPECT_EQ(request->value, c.value) << c.text;
        EXPECT_EQ(request->atSeconds, c.at) << c.text;
    }
}

}  // namespace
