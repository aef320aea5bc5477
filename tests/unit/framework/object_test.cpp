#include <gtest/gtest.h>

#include "framework/PDB.h"
#include "protocol/DLLRealize.h"
#include "support/test_support.h"

using testing_support::defaultPDB;
using testing_support::FakeClock;
using testing_support::LogRedirect;
using testing_support::PseudoTerminal;

namespace {

class DriverObject : public ::testing::Test {
protected:
    // The log text written since the last call.
    std::string added()
    {
        const std::string text = log.content(), fresh = text.substr(seen);
        seen = text.size();
        return fresh;
    }
    FakeClock clock;
    LogRedirect log;
    size_t seen = 0;
};

}  // namespace

TEST_F(DriverObject, ConstructionWritesTheBannerAndLeavesTrafficLoggingOff)
{
    TDLLObject object;
    EXPECT_FALSE(object.LogEnabled);
    EXPECT_EQ(object.DevFailCount[99], -1);
    EXPECT_NE(added().find("：驱动程序版本3.11.0.3  ...\r\n"), std::string::npos);
    object.SetLogEnabled(true);
    EXPECT_TRUE(object.LogEnabled);
    object.LogReady = false;  // only after a successful banner
    object.SetLogEnabled(true);
    EXPECT_FALSE(object.LogEnabled);

    EXPECT_FALSE(object.IniDLLObj(nullptr, {}));
    EXPECT_EQ(added(), "2026-12-06 10:30:15：设备加载失败！\r\n");
    setenv("OSTREVANE800_COM1", "/nonexistent/tty", 1);
    OstrevanePDB block = defaultPDB();
    EXPECT_FALSE(object.IniDLLObj(&block, {}));
    EXPECT_EQ(added(), "2026-12-06 10:30:15：Com1不存在或被其它程序占用！\r\n2026-12-06 10:30:15：设备加载失败！\r\n");
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
    added();
    EXPECT_TRUE(object.IniParm(&block));
    EXPECT_EQ(object.MinUnitNo, 0);
    const std::string text = added();
    EXPECT_NE(text.find("：工程中存在0005号仪表：Ostrevane808\r\n"), std::string::npos);
    EXPECT_NE(text.find("：Com1打开成功\r\n"), std::string::npos);
    block.Devices[0].DeviceType = block.Devices[5].DeviceType = 2;
    object.IniParm(&block);
    EXPECT_EQ(object.MinUnitNo, 99);  // an empty device table
    EXPECT_EQ(added().find("工程中存在"), std::string::npos);
    object.Stop();  // releases the port once and for all
    EXPECT_EQ(object.Comm, nullptr);
    EXPECT_FALSE(object.IniParm(&block));
}

TEST_F(DriverObject, StatisticsBlockOnlyForARunningObject)
{
    TDLLObject object;
    added();
    object.Stop();
    EXPECT_EQ(added(), "");
    object.Running = true;
    object.StartTick = clock.tick;
    const struct {
        const char* name;
        uint8_t writable;
        int32_t reads, readFailures, writes, writeFailures;
    } tags[] = {{"T1", 0, 3, 1, 0, 0}, {"T2", 1, 0, 0, 4, 1}};
    for (const auto& t : tags) {
        object.TagTable.push_back(std::make_unique<TDLLTag>());
        TDLLTag& tag = *object.TagTable.back();
        tag.name = t.name;
        tag.address = "PV3:0.0";
        tag.writeAllowed = t.writable;
        tag.reads = t.reads;
        tag.readFailures = t.readFailures;
        tag.writes = t.writes;
        tag.writeFailures = t.writeFailures;
    }
    object.Statistics.slowestCycle = 1200.5;
    clock.advance(10000);
    object.IniDLLObj(nullptr, {});  // a second initialisation ends the earlier run first
    const std::string block = added(), t = "2026-12-06 10:30:15";
    for (const std::string& line :
         {"\r\n" + t + "：标签T1，地址=PV3:0.0，读扫描周期(毫秒)=3333，读操作失败率= 33%\r\n",
          t + "：标签T2，地址=PV3:0.0，读扫描周期(毫秒)=0，读操作失败率= 0%，写操作总次数=4，写操作失败率= 25%\r\n",
          "\r\n" + t + "：本次运行总时间（毫秒）=10000\r\n", t + "：最慢扫描周期（毫秒）=1200.5\r\n",
          t + "：通讯失败率= 100%\r\n" + t + "：通讯总次数= 0\r\n",  // without any exchange
          t + "：从驱动程序中退出！\r\n" + std::string(60, '-') + "\r\n" + t + "：设备加载失败！\r\n"})
        EXPECT_NE(block.find(line), std::string::npos) << line;
    EXPECT_TRUE(object.TagTable.empty());
}
