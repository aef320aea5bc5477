#include <gtest/gtest.h>

#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "protocol/DLLRealize.h"
#include "support/test_support.h"

using testing_support::defaultPDB;
using testing_support::FakeClock;
using testing_support::LogRedirect;
using testing_support::PseudoTerminal;

namespace {

size_t countOf(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

class DriverObject : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    FakeClock clock;
    LogRedirect log;
};

}  // namespace

TEST_F(DriverObject, ConstructionWritesTheBannerAndLeavesTrafficLoggingOff)
{
    TDLLObject object;
    EXPECT_TRUE(object.LogReady);
    EXPECT_FALSE(object.LogEnabled);
    EXPECT_FALSE(object.Running);
    EXPECT_FALSE(object.Stopped);
    EXPECT_EQ(object.ScanTime, 500u);
    EXPECT_EQ(object.WriteLogBudget, 1000);
    EXPECT_EQ(object.DevFailCount[99], -1);
    EXPECT_EQ(object.DevEnabled[0], 1);
    const std::string text = log.content();
    EXPECT_NE(text.find("：启动驱动程序Ostrevane仪表  ...\r\n"), std::string::npos);
    EXPECT_NE(text.find("：驱动程序版本3.11.0.3  ...\r\n"), std::string::npos);
}

TEST_F(DriverObject, LoggingCanBeSwitchedOnOnlyAfterASuccessfulBanner)
{
    TDLLObject object;
    object.SetLogEnabled(true);
    EXPECT_TRUE(object.LogEnabled);
    object.LogReady = false;
    object.SetLogEnabled(true);
    EXPECT_FALSE(object.LogEnabled);
}

TEST_F(DriverObject, NilConfigurationFailsWithOnlyTheLoadFailureLine)
{
    TDLLObject object;
    const size_t before = log.content().size();
    EXPECT_FALSE(object.IniDLLObj(nullptr, {}));
    EXPECT_EQ(log.content().substr(before), "2026-12-06 10:30:15：设备加载失败！\r\n");
}

TEST_F(DriverObject, UnopenablePortLogsItsMessageThenTheLoadFailure)
{
    setenv("OSTREVANE800_COM1", "/nonexistent/tty", 1);
    TDLLObject object;
    OstrevanePDB block = defaultPDB();
    const size_t before = log.content().size();
    EXPECT_FALSE(object.IniDLLObj(&block, {}));
    EXPECT_EQ(log.content().substr(before),
              "2026-12-06 10:30:15：Com1不存在或被其它程序占用！\r\n2026-12-06 10:30:15：设备加载失败！\r\n");
    EXPECT_EQ(object.StatusMsg, "Com1不存在或被其它程序占用！");
    unsetenv("OSTREVANE800_COM1");
}

TEST_F(DriverObject, DebugSwitchLogsConfiguredDevicesAndThePortMessage)
{
    PseudoTerminal line;
    ASSERT_TRUE(line.ok());
    OstrevanePDB block = defaultPDB();
    block.DebugSwitch = 1;
    block.Devices[5].DeviceType = 0;
    pdb::setTypeName(block.Devices[5], "Ostrevane808");
    TDLLObject object;
    const size_t before = log.content().size();
    EXPECT_TRUE(object.IniParm(&block));
    EXPECT_EQ(object.MinUnitNo, 0);
    const std::string added = log.content().substr(before);
    EXPECT_NE(added.find("：工程中存在0005号仪表：Ostrevane808\r\n"), std::string::npos);
    EXPECT_NE(added.find("：工程中存在0000号仪表：Ostrevane808\r\n"), std::string::npos);
    EXPECT_NE(added.find("：Com1打开成功\r\n"), std::string::npos);
    EXPECT_EQ(object.StatusMsg, "Com1打开成功");
}

TEST_F(DriverObject, EmptyDeviceTableLeavesMinUnitNoAt99)
{
    PseudoTerminal line;
    OstrevanePDB block = defaultPDB();
    block.DebugSwitch = 1;
    block.Devices[0].DeviceType = 2;
    TDLLObject object;
    const size_t before = log.content().size();
    object.IniParm(&block);
    EXPECT_EQ(object.MinUnitNo, 99);
    EXPECT_EQ(log.content().find("工程中存在", before), std::string::npos);
}

TEST_F(DriverObject, StopOfAnObjectThatNeverRanWritesNothing)
{
    auto* object = new TDLLObject();
    const size_t before = log.content().size();
    object->Stop();
    EXPECT_TRUE(object->Stopped);
    EXPECT_EQ(log.content().size(), before);
    delete object;  // destruction rotates but writes no statistics block
    EXPECT_EQ(log.content().find("从驱动程序中退出"), std::string::npos);
}

TEST_F(DriverObject, StatisticsBlockOfARunningObject)
{
    TDLLObject object;
    object.Running = true;
    object.StartTick = clock.tick;
    auto tag = std::make_unique<TDLLTag>();
    tag->name = "T1";
    tag->address = "PV3:0.0";
    tag->reads = 3;
    tag->readFailures = 1;
    object.TagTable.push_back(std::move(tag));
    auto writable = std::make_unique<TDLLTag>();
    writable->name = "T2";
    writable->address = "HS3:0.0";
    writable->writeAllowed = 1;
    writable->writes = 4;
    writable->writeFailures = 1;
    object.TagTable.push_back(std::move(writable));
    object.Statistics.fastestCycle = 12;
    object.Statistics.slowestCycle = 1200.5;
    object.Statistics.averageCycle = 40;
    clock.advance(10000);
    const size_t before = log.content().size();
    object.Stop();
    const std::string block = log.content().substr(before);
    const std::string t = "2026-12-06 10:30:15";
    EXPECT_EQ(block.rfind("\r\n" + t + "：标签T1，地址=PV3:0.0，读扫描周期(毫秒)=3333，读操作失败率= 33%\r\n", 0), 0u);
    EXPECT_NE(block.find(t + "：标签T2，地址=HS3:0.0，读扫描周期(毫秒)=0，读操作失败率= 0%，写操作总次数=4，写操作失败率= 25%\r\n"),
              std::string::npos);
    EXPECT_NE(block.find("\r\n" + t + "：本次运行总时间（毫秒）=10000\r\n"), std::string::npos);
    EXPECT_NE(block.find(t + "：最快扫描周期（毫秒）=12\r\n" + t + "：最慢扫描周期（毫秒）=1200.5\r\n" + t +
                         "：平均扫描周期（毫秒）=40\r\n"),
              std::string::npos);
    // Without any exchange the failure rate is 100 %.
    EXPECT_NE(block.find(t + "：通讯失败率= 100%\r\n" + t + "：通讯总次数= 0\r\n" + t + "：通讯超时总次数= 0\r\n" + t +
                         "：连续通讯超时次数= 0\r\n" + t + "：从驱动程序中退出！\r\n" + std::string(60, '-') + "\r\n"),
              std::string::npos);
    EXPECT_EQ(countOf(block, "：已使用内存 = "), 1u);
    EXPECT_TRUE(object.Stopped);
    EXPECT_FALSE(object.Running);
    EXPECT_TRUE(object.TagTable.empty());
}

TEST_F(DriverObject, SecondInitialisationWritesTheEarlierRunsStatisticsFirst)
{
    TDLLObject object;
    object.Running = true;
    const size_t before = log.content().size();
    object.IniDLLObj(nullptr, {});
    const std::string added = log.content().substr(before);
    EXPECT_LT(added.find("从驱动程序中退出！"), added.find("设备加载失败！"));
}

TEST_F(DriverObject, StopReleasesThePortOnceAndForAll)
{
    PseudoTerminal line;
    OstrevanePDB block = defaultPDB();
    TDLLObject object;
    ASSERT_TRUE(object.IniParm(&block));
    ASSERT_NE(object.Comm, nullptr);
    object.Stop();
    EXPECT_EQ(object.Comm, nullptr);
    EXPECT_TRUE(object.PortCreated);
    object.Stop();  // a second stop finds nothing to release
    // A released port is not created again.
    EXPECT_FALSE(object.IniParm(&block));
    EXPECT_EQ(object.Comm, nullptr);
}
