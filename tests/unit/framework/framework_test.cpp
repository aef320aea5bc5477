// The configuration block, the log file and the driver object's own log lines.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/DLLLog.h"
#include "framework/PDB.h"
#include "platform/files.h"
#include "protocol/DLLRealize.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

class Framework : public ::testing::Test {
protected:
    // The log text written since the last call.
    std::string added()
    {
        const std::string text = log.content(), fresh = text.substr(seen);
        seen = text.size();
        return fresh;
    }
    void writeFile(const std::string& path, size_t size)
    {
        platform::createFolders(path.substr(0, path.find_last_of('/')));
        platform::deleteFile(path);
        platform::appendExclusive(path, std::string(size, 'x'));
    }
    FakeClock clock;
    LogRedirect log;
    size_t seen = 0;
    const std::string t = "2026-12-06 10:30:15：";
};

}  // namespace

TEST_F(Framework, ConfigurationDefaultsCopyAndFirstDevice)
{
    OstrevanePDB block;
    std::memset(&block, 0xAB, sizeof block);
    pdb::FullPDB(block);  // one 808 on COM1 at 9600 baud, 8N1
    EXPECT_EQ((std::vector<int>{block.DebugSwitch, block.ErrorOutput, block.TraceOutput, block.CreateMode,
                                block.PortCode, block.BaudCode, block.DataBitsCode, block.StopBitsCode,
                                block.ParityCode, block.Reserved3[0]}),
              (std::vector<int>{0, 0, 0, 0, 0, 6, 4, 0, 0, 0xAB}));
    for (int n = 0; n < 100; ++n) {
        EXPECT_EQ(block.Devices[n].DeviceNo, n);
        EXPECT_EQ(block.Devices[n].DeviceType, n == 0 ? 0 : 2) << n;
    }
    EXPECT_EQ(block.Devices[99].Reserved254, 80);
    EXPECT_EQ(pdb::typeName(block.Devices[0]), "Ostrevane808");

    OstrevanePDB source = defaultPDB(), copy;
    source.TraceOutput = source.CreateMode = source.ParityCode = 1;
    source.BaudCode = 12;
    source.Devices[9].DeviceType = 1;
    pdb::setTypeName(source.Devices[9], std::string(300, 'N'));  // cut to the 246 the field holds
    std::memset(&copy, 0x5A, sizeof copy);
    pdb::CopyPDB(source, copy);
    EXPECT_EQ((std::vector<int>{copy.TraceOutput, copy.CreateMode, copy.BaudCode, copy.ParityCode,
                                copy.Devices[9].DeviceType, copy.Devices[9].Reserved254, copy.Reserved3[0]}),
              (std::vector<int>{1, 1, 12, 1, 1, 80, 0x5A}));  // reserved bytes of the copy stay
    EXPECT_EQ(pdb::typeName(copy.Devices[9]), std::string(246, 'N'));

    EXPECT_EQ(pdb::FirstDeviceNo(source), 0u);
    source.Devices[0].DeviceType = 2;
    EXPECT_EQ(pdb::FirstDeviceNo(source), 9u);
    source.Devices[9].DeviceType = 2;
    EXPECT_EQ(pdb::FirstDeviceNo(source), 0u);  // also with no device at all
}

TEST_F(Framework, ValidationClearsEntriesWhoseCodeAndNameDisagree)
{
    const OstrevanePDB defaults = defaultPDB();
    OstrevanePDB block = defaults;
    EXPECT_FALSE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(std::memcmp(&defaults, &block, sizeof block), 0);
    const std::tuple<uint8_t, std::string, bool> cases[] = {{1, "Ostrevane808", true},
                                                            {0, "Ostrevane808x", true},
                                                            {7, "Ostrevane808", true},
                                                            {0, "", true},
                                                            {1, "Ostrevane847", false}};
    for (const auto& [type, name, cleared] : cases) {
        block = defaults;
        block.Devices[4].DeviceType = type;
        pdb::setTypeName(block.Devices[4], name);
        EXPECT_EQ(pdb::ValidateDeviceTable(block), cleared) << name;
        EXPECT_EQ(block.Devices[4].DeviceType, cleared ? 2 : type) << name;
    }
    // A length byte claiming more than the field holds: no match, and no name beyond the field.
    block = defaults;
    block.Devices[0].TypeName[0] = 255;
    EXPECT_EQ(pdb::typeName(block.Devices[0]).size(), 246u);
    EXPECT_TRUE(pdb::ValidateDeviceTable(block));
    EXPECT_EQ(block.Devices[0].DeviceType, 2);
}

TEST_F(Framework, TheProjectFolderOfTheHostIniHoldsTheLog)
{
    EXPECT_EQ(logfile::computeLogFileName(""), "./Debug/Ostrevane800.Log");
    const std::pair<std::string, std::string> cases[] = {
        {"", "./Debug/Ostrevane800.Log"},
        {"[WORKING]\nOther=1\n", "./Debug/Ostrevane800.Log"},
        {"[OTHER]\r\nDefaultPROJECT=wrong\r\n[WORKING]\r\nDefaultPROJECT=D:\\Plants\\Line1\\Line1.prj\r\n",
         "D:\\Plants\\Line1\\Debug/Ostrevane800.Log"}};
    for (const auto& [ini, expected] : cases) {
        TempFolder host;
        if (!ini.empty()) platform::appendExclusive(host.file("Vimerix.ini"), ini);
        EXPECT_EQ(logfile::computeLogFileName(host.path() + "/"), expected) << ini;
    }
    // Numbers in the shortest general form; rounded ones take halves to even.
    EXPECT_EQ(logfile::formatNumber(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(logfile::formatRounded(2.5f) + logfile::formatRounded(3.5f), "24");
    TempFolder folder;  // an unwritable log loses the text quietly
    platform::appendExclusive(folder.file("blocker"), "file, not a folder");
    logfile::setLogFileName(folder.file("blocker") + "/Debug/Ostrevane800.Log");
    EXPECT_FALSE(logfile::append("lost"));
    logfile::rotate();
}

TEST_F(Framework, RotationMovesTheLogAsideAndDeletesOldDatedFiles)
{
    const std::string stem = log.folder() + "/Debug/Ostrevane800";
    logfile::rotate();  // a missing log is created empty, then moved to yesterday's name
    EXPECT_EQ(platform::fileSize(stem + "2026-12-05.LOG"), 0);
    writeFile(log.path(), 10);  // yesterday's file exists: the log stays
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(log.path()), 10);
    writeFile(log.path(), 600000);  // an oversized log goes to the current second's name
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(stem + "2026-12-06-10-30-15.LOG"), 600000);
    EXPECT_FALSE(platform::fileExists(log.path()));
    // Dated files from 30 to 100 days back go, across February too.
    clock.now = {2026, 3, 1, 8, 0, 0, 0};
    const std::pair<std::string, bool> dated[] = {
        {"2026-01-31", true}, {"2026-01-30", false}, {"2025-11-21", false}, {"2025-11-20", true}};
    for (const auto& [date, kept] : dated) writeFile(stem + date + ".LOG", 3);
    logfile::rotate();
    for (const auto& [date, kept] : dated) EXPECT_EQ(platform::fileExists(stem + date + ".LOG"), kept) << date;
}

TEST_F(Framework, ObjectBannerLoadFailuresAndDebugLines)
{
    PseudoTerminal line;
    ASSERT_TRUE(line.ok());
    TDLLObject object;
    EXPECT_FALSE(object.LogEnabled);
    EXPECT_NE(added().find(t + "驱动程序版本3.11.0.3  ...\r\n"), std::string::npos);
    object.SetLogEnabled(true);
    EXPECT_TRUE(object.LogEnabled);
    object.LogReady = false;  // only after a successful banner
    object.SetLogEnabled(true);
    EXPECT_FALSE(object.LogEnabled);

    EXPECT_FALSE(object.IniDLLObj(nullptr, {}));
    EXPECT_EQ(added(), t + "设备加载失败！\r\n");
    OstrevanePDB block = defaultPDB();
    block.DebugSwitch = 1;
    block.Devices[5] = block.Devices[0];
    EXPECT_TRUE(object.IniParm(&block));
    EXPECT_EQ(object.MinUnitNo, 0);
    EXPECT_NE(added().find(t + "工程中存在0005号仪表：Ostrevane808\r\n" + t + "Com1打开成功\r\n"), std::string::npos);
    block.Devices[0].DeviceType = block.Devices[5].DeviceType = 2;
    object.IniParm(&block);
    EXPECT_EQ(object.MinUnitNo, 99);  // an empty device table
    EXPECT_EQ(added().find("工程中存在"), std::string::npos);
    object.Stop();  // releases the port once and for all
    EXPECT_FALSE(object.IniParm(&block));
    setenv("OSTREVANE800_COM1", "/nonexistent/tty", 1);  // unset with the pseudo-terminal
    TDLLObject other;
    block.DebugSwitch = 0;
    added();
    EXPECT_FALSE(other.IniDLLObj(&block, {}));
    EXPECT_EQ(added(), t + "Com1不存在或被其它程序占用！\r\n" + t + "设备加载失败！\r\n");
}
