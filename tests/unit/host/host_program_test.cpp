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

#include "host_test_texts.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

const std::string kHost = OSTREVANE_HOST_PROGRAM;
const std::string kDriver = OSTREVANE_HOST_DRIVER;
constexpr int kDeadlineMs = 30000;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class HostProgram : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(folder.file("tags.csv")) << "id,name,address,type\n1,PV1,PV1:0.0,number\n2,SL1,SL1:0.0,number\n"
                                                  "3,HS3,HS3:0.0,number\n10,COMMLINK,COMMLINK,text\n";
    }
    std::vector<std::string> runArguments(std::vector<std::string> extra) const
    {
        std::vector<std::string> arguments{"--driver", kDriver, "run",      "--tags", folder.file("tags.csv"),
                                           "--device", "1:808", "--device", "3:847"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }
    std::string log() const
    {
        std::ifstream file(folder.file("Debug/Ostrevane800.Log"), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    testing_support::TempFolder folder;
};

TEST_F(HostProgram, ValuesMoveWritesArriveTheTrafficShowsAndTheExitStatisticsAreLogged)
{
    e2e::SimProcess sim({"--instrument", "1:808", "--instrument", "3:847", "--ramp", "1:PV=20..30/3s", "--value",
                         "1:SL=12.5", "--value", "3:HS=80.0"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    e2e::ChildProcess host(
        kHost, runArguments({"--duration", "3", "--traffic", "--write", "SL1=42@1", "--write", "3=95.5@1.5"}),
        folder.path());
    ASSERT_EQ(host.wait(kDeadlineMs), 0) << host.output();
    const std::string output = host.output();
    std::set<std::string> pv;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (has(line, " value id=1 name=PV1 address=PV1:0.0 quality=good")) pv.insert(line.substr(line.rfind('=')));
    EXPECT_GE(pv.size(), 5u) << "the ramp moves PV1";
    EXPECT_FALSE(has(output, "name=host.")) << "the host's own tags show as link states only";
    for (const char* part :
         {" value id=3 name=HS3 address=HS3:0.0 quality=good stamp=",
          " value id=10 name=COMMLINK address=COMMLINK quality=good stamp=", " link scope=line state=normal",
          " link scope=device device=1 state=normal", " link scope=device device=3 state=normal",
          // The writes: accepted by the driver, acknowledged by the instrument, reported back.
          " write id=2 name=SL1 value=42 result=true", " written id=2 name=SL1 value=42",
          " write id=3 name=HS3 value=95.5 result=true", " written id=3 name=HS3 value=95.5",
          " sent frame=[04][30][30][31][31][50][56][05]  <EOT>0011PV<ENQ>",
          " sent frame=[04][30][30][31][31][02][53][4C][20][34][32][2E][30][03]",
          " received frame=<02><48><53><20><38><30><2E><30><03>", " cycle ms=", " stop reason=duration"})
        EXPECT_TRUE(has(output, part)) << part;
    EXPECT_EQ(sim.commandOk("get 1 SL"), " 42.0");
    EXPECT_TRUE(has(output, " log exit=written path=" + folder.path() + "/Debug/Ostrevane800.Log")) << output;
    const std::string text = log();
    for (const char* part : {"：标签SL1，地址=SL1:0.0，", "写操作总次数=1，写操作失败率= 0%", "：通讯超时总次数= 0\r\n",
                             "：从驱动程序中退出！\r\n"})
        EXPECT_TRUE(has(text, part)) << part;
}

TEST_F(HostProgram, CtrlCEndsTheRunAndTheDriverStillWritesItsStatistics)
{
    e2e::SimProcess sim({"--instrument", "1:808", "--instrument", "3:847"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    e2e::ChildProcess host(kHost, runArguments({}), folder.path());
    ASSERT_TRUE(host.waitForOutput(" link scope=device device=3 state=normal", kDeadlineMs)) << host.output();
    host.signal(SIGINT);
    EXPECT_EQ(host.wait(kDeadlineMs), 0) << host.output();
    EXPECT_TRUE(has(host.output(), " stop reason=interrupt"));
    EXPECT_TRUE(has(host.output(), " log exit=written"));
    EXPECT_TRUE(has(log(), "：从驱动程序中退出！\r\n"));
}

TEST_F(HostProgram, ConfigurationCommandsUseTheDriversOwnServices)
{
    const std::string pdb = folder.file("line.pdb");
    e2e::ChildProcess create(kHost,
                             {"--driver", kDriver, "pdb", "create", pdb, "--device", "1:808", "--device", "3:847",
                              "--baud", "19200", "--line", "7E1"},
                             folder.path());
    ASSERT_EQ(create.wait(kDeadlineMs), 0) << create.output();

    e2e::ChildProcess show(kHost, {"pdb", "show", pdb}, folder.path());
    ASSERT_EQ(show.wait(kDeadlineMs), 0) << show.output();
    EXPECT_TRUE(has(show.output(), "serial line:   COM1, 19200 baud, 7 data bits, even parity, 1 stop bit"))
        << show.output();
    EXPECT_TRUE(has(show.output(), "device 3:  Ostrevane847\n"));

    const std::string colon = utf8(u8"：");  // the full-width colon a Chinese keyboard types
    e2e::ChildProcess address(kHost, {"--driver", kDriver, "address", "--pdb", pdb, "sl3" + colon + "0", "XX1:0"},
                              folder.path());
    EXPECT_EQ(address.wait(kDeadlineMs), 1);  // one address is no tag type
    EXPECT_TRUE(has(address.output(), "sl3" + colon + "0  accepted  canonical SL3:0.0")) << address.output();
    EXPECT_TRUE(has(address.output(), "XX1:0  refused"));

    e2e::ChildProcess types(kHost, {"--driver", kDriver, "types"}, folder.path());
    ASSERT_EQ(types.wait(kDeadlineMs), 0);
    EXPECT_TRUE(has(types.output(), "SL    number      2  -99999      999999      " + utf8(u8"本地设定1")))
        << types.output();
}

}  // namespace
