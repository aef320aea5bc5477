// ostrevane-host as engineers run it: the program with the driver library, against
// the instrument simulator on a pseudo-terminal, its output piped (one line per
// event), ending by itself or on Ctrl-C.
#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host_process.h"
#include "host_test_texts.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

const std::string kHost = OSTREVANE_HOST_PROGRAM;
const std::string kDriver = OSTREVANE_HOST_DRIVER;
constexpr int kDeadlineMs = 30000;

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<std::string> linesWith(const std::string& output, const std::string& text)
{
    std::vector<std::string> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

std::string valueOf(const std::string& line) { return line.substr(line.rfind("value=") + 6); }

class HostProgram : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(folder.file("tags.csv")) << "id,name,address,type,interval,initial\n"
                                                  "1,PV1,PV1:0.0,number,0,\n"
                                                  "2,SL1,SL1:0.0,number,0,\n"
                                                  "3,HS3,HS3:0.0,number,0,\n"
                                                  "10,COMMLINK,COMMLINK,text,0,\n"
                                                  "11,DEVICELINK1,DEVICELINK1,number,0,\n"
                                                  "12,DEVICELINK3,DEVICELINK3,number,0,\n";
    }

    std::vector<std::string> runArguments(std::vector<std::string> extra) const
    {
        std::vector<std::string> arguments{"--driver", kDriver, "run",      "--tags",  folder.file("tags.csv"),
                                           "--device", "1:808", "--device", "3:847"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    std::string log() const { return readFile(folder.file("Debug/Ostrevane800.Log")); }

    testing_support::TempFolder folder;
};

TEST_F(HostProgram, ValuesMoveWritesArriveAndTheExitStatisticsAreLogged)
{
    e2e::SimProcess sim({"--instrument", "1:808", "--instrument", "3:847", "--ramp", "1:PV=20..30/3s", "--value",
                         "1:SL=12.5", "--value", "3:HS=80.0"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    HostProcess host(kHost, runArguments({"--duration", "3", "--write", "SL1=42@1", "--write", "3=95.5@1.5"}),
                     folder.path());
    ASSERT_TRUE(host.started());
    ASSERT_EQ(host.wait(kDeadlineMs), 0) << host.output() << host.errors();
    const std::string output = host.output();

    const auto started = linesWith(output, " start driver=" + kDriver);
    ASSERT_EQ(started.size(), 1u) << output;
    EXPECT_NE(started[0].find(" result=true "), std::string::npos) << started[0];
    std::set<std::string> pv;
    for (const std::string& line : linesWith(output, " value id=1 name=PV1 address=PV1:0.0 quality=good"))
        pv.insert(valueOf(line));
    EXPECT_GE(pv.size(), 5u) << "the ramp moves PV1";
    EXPECT_FALSE(linesWith(output, " value id=3 name=HS3 address=HS3:0.0 quality=good stamp=").empty());
    EXPECT_FALSE(linesWith(output, " link scope=line state=normal").empty()) << output;
    EXPECT_FALSE(linesWith(output, " link scope=device device=1 state=normal").empty());
    EXPECT_FALSE(linesWith(output, " link scope=device device=3 state=normal").empty());
    EXPECT_FALSE(linesWith(output, " value id=10 name=COMMLINK address=COMMLINK quality=good stamp=").empty());

    // The writes: accepted by the driver, acknowledged by the instrument, reported back.
    EXPECT_FALSE(linesWith(output, " write id=2 name=SL1 value=42 result=true").empty()) << output;
    EXPECT_FALSE(linesWith(output, " written id=2 name=SL1 value=42").empty());
    EXPECT_FALSE(linesWith(output, " write id=3 name=HS3 value=95.5 result=true").empty());
    EXPECT_FALSE(linesWith(output, " written id=3 name=HS3 value=95.5").empty());
    EXPECT_EQ(sim.commandOk("get 1 SL"), " 42.0");
    EXPECT_EQ(sim.commandOk("get 3 HS"), " 95.5");

    EXPECT_FALSE(linesWith(output, " stop reason=duration").empty());
    EXPECT_FALSE(linesWith(output, " log exit=written path=" + folder.path() + "/Debug/Ostrevane800.Log").empty())
        << output;
    const std::string text = log();
    EXPECT_NE(text.find("：标签SL1，地址=SL1:0.0，"), std::string::npos);
    EXPECT_NE(text.find("写操作总次数=1，写操作失败率= 0%"), std::string::npos);
    EXPECT_NE(text.find("：通讯超时总次数= 0\r\n"), std::string::npos);
    EXPECT_NE(text.find("：从驱动程序中退出！\r\n"), std::string::npos);
}

TEST_F(HostProgram, CtrlCEndsTheRunAndTheDriverStillWritesItsStatistics)
{
    e2e::SimProcess sim({"--instrument", "1:808", "--instrument", "3:847"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    HostProcess host(kHost, runArguments({}), folder.path());
    ASSERT_TRUE(host.waitForOutput(" link scope=device device=3 state=normal", kDeadlineMs)) << host.output();
    host.signal(SIGINT);
    EXPECT_EQ(host.wait(kDeadlineMs), 0) << host.errors();
    EXPECT_FALSE(linesWith(host.output(), " stop reason=interrupt").empty());
    EXPECT_FALSE(linesWith(host.output(), " log exit=written").empty());
    EXPECT_NE(log().find("：从驱动程序中退出！\r\n"), std::string::npos);
}

TEST_F(HostProgram, TheTrafficViewShowsTheFramesAndCycleTimes)
{
    e2e::SimProcess sim({"--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    HostProcess host(kHost, runArguments({"--duration", "1", "--traffic"}), folder.path());
    ASSERT_EQ(host.wait(kDeadlineMs), 0) << host.errors();
    const std::string output = host.output();
    EXPECT_FALSE(linesWith(output, " sent frame=[04][30][30][31][31][50][56][05]  <EOT>0011PV<ENQ>").empty()) << output;
    EXPECT_FALSE(
        linesWith(output, " received frame=<02><50><56><20><32><35><2E><30><03><3C>  <STX>PV 25.0<ETX><").empty());
    EXPECT_FALSE(linesWith(output, " sent frame=[04][30][30][33][33][48][53][05]  <EOT>0033HS<ENQ>").empty());
    EXPECT_FALSE(linesWith(output, " cycle ms=").empty());
}

TEST_F(HostProgram, ABadTagListIsRefusedNamingItsLines)
{
    std::ofstream(folder.file("bad.csv")) << "id,name,address,type,interval,initial\n"
                                             "1,PV1,PV1:0.0,number,0,\n"
                                             "1,PV2,PV2:0.0,number,0,\n"
                                             "2,OK,OK,colour,0,\n";
    HostProcess host(kHost, {"--driver", kDriver, "run", "--tags", folder.file("bad.csv")}, folder.path());
    EXPECT_EQ(host.wait(kDeadlineMs), 2);
    const std::string errors = host.errors();
    EXPECT_NE(errors.find("bad.csv:3: id 1 is already used on line 2"), std::string::npos) << errors;
    EXPECT_NE(errors.find("bad.csv:4: type 'colour' is none of number, boolean, text"), std::string::npos);
    EXPECT_TRUE(host.output().empty());
}

TEST_F(HostProgram, ConfigurationCommandsUseTheDriversOwnServices)
{
    const std::string pdb = folder.file("line.pdb");
    HostProcess create(kHost, {"--driver", kDriver, "pdb", "create", pdb, "--device", "1:808", "--device", "3:847",
                               "--baud", "19200", "--line", "7E1"},
                       folder.path());
    ASSERT_EQ(create.wait(kDeadlineMs), 0) << create.errors();
    EXPECT_EQ(readFile(pdb).size(), 26424u);

    HostProcess show(kHost, {"pdb", "show", pdb}, folder.path());
    ASSERT_EQ(show.wait(kDeadlineMs), 0) << show.errors();
    EXPECT_NE(show.output().find("serial line:   COM1, 19200 baud, 7 data bits, even parity, 1 stop bit"),
              std::string::npos)
        << show.output();
    EXPECT_NE(show.output().find("device 3:  Ostrevane847\n"), std::string::npos);

    HostProcess address(kHost, {"--driver", kDriver, "address", "--pdb", pdb, "sl3" + utf8(u8"：") + "0", "XX1:0"},
                        folder.path());
    EXPECT_EQ(address.wait(kDeadlineMs), 1);  // one address is no tag type
    EXPECT_NE(address.output().find("sl3" + utf8(u8"：") + "0  accepted  canonical SL3:0.0"), std::string::npos)
        << address.output();
    EXPECT_NE(address.output().find("XX1:0  refused"), std::string::npos);

    HostProcess types(kHost, {"--driver", kDriver, "types"}, folder.path());
    ASSERT_EQ(types.wait(kDeadlineMs), 0);
    EXPECT_NE(types.output().find("SL    number      2  -99999      999999      " + utf8(u8"本地设定1")), std::string::npos)
        << types.output();
    EXPECT_NE(types.output().find("32 tag types"), std::string::npos);
}

}  // namespace
