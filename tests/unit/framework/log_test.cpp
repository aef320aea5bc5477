#include <gtest/gtest.h>

#include "framework/DLLLog.h"
#include "platform/files.h"
#include "support/test_support.h"

using testing_support::FakeClock;
using testing_support::LogRedirect;
using testing_support::TempFolder;

namespace {

void writeFile(const std::string& path, size_t size)
{
    platform::createFolders(path.substr(0, path.find_last_of('/')));
    platform::deleteFile(path);
    platform::appendExclusive(path, std::string(size, 'x'));
}

}  // namespace

TEST(LogFile, TheProjectFolderOfTheHostIniHoldsTheDebugFolder)
{
    EXPECT_EQ(logfile::computeLogFileName(""), "./Debug/Ostrevane800.Log");
    const std::pair<std::string, std::string> cases[] = {
        {"", "./Debug/Ostrevane800.Log"},  // no host ini
        {"[WORKING]\nOther=1\n", "./Debug/Ostrevane800.Log"},
        {"[OTHER]\r\nDefaultPROJECT=wrong\r\n[WORKING]\r\nDefaultPROJECT=D:\\Plants\\Line1\\Line1.prj\r\n",
         "D:\\Plants\\Line1\\Debug/Ostrevane800.Log"},
    };
    for (const auto& [ini, expected] : cases) {
        TempFolder host;
        if (!ini.empty()) platform::appendExclusive(host.file("Vimerix.ini"), ini);
        EXPECT_EQ(logfile::computeLogFileName(host.path() + "/"), expected) << ini;
    }
}

TEST(LogFile, LinesAndNumbers)
{
    FakeClock clock;
    LogRedirect log;
    EXPECT_FALSE(platform::folderExists(log.folder() + "/Debug"));
    logfile::writeExceptionLine("TBaseDLLObject", "Stop");  // the first text creates the folder
    EXPECT_EQ(log.content(), "2026-12-06 10:30:15：TBaseDLLObject.Stop异常！\r\n");
    const std::pair<std::string, std::string> numbers[] = {{logfile::formatNumber(100), "100"},
                                                           {logfile::formatNumber(1.0 / 3.0), "0.333333333333333"},
                                                           {logfile::formatRounded(3333.3333f), "3333"},
                                                           {logfile::formatRounded(2.5f), "2"},  // halves to even
                                                           {logfile::formatRounded(3.5f), "4"}};
    for (const auto& [text, expected] : numbers) EXPECT_EQ(text, expected);

    TempFolder folder;  // an unwritable log loses the text quietly
    platform::appendExclusive(folder.file("blocker"), "file, not a folder");
    logfile::setLogFileName(folder.file("blocker") + "/Debug/Ostrevane800.Log");
    EXPECT_FALSE(logfile::append("lost"));
    logfile::rotate();
}

TEST(LogFile, RotationMovesTheLogAsideAndDeletesOldDatedFiles)
{
    FakeClock clock;
    LogRedirect log;
    const std::string stem = log.folder() + "/Debug/Ostrevane800", yesterday = stem + "2026-12-05.LOG";
    logfile::rotate();  // a missing log is created empty, then moved to yesterday's name
    EXPECT_EQ(platform::fileSize(yesterday), 0);
    writeFile(log.path(), 10);  // yesterday's file exists: the log stays
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(log.path()), 10);
    writeFile(log.path(), 600000);  // an oversized log goes to the current second's name
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(stem + "2026-12-06-10-30-15.LOG"), 600000);
    EXPECT_FALSE(platform::fileExists(log.path()));

    clock.now = {2026, 3, 1, 8, 0, 0, 0};  // across February: date arithmetic must be exact
    const std::pair<std::string, bool> dated[] = {{"2026-01-31", true},
                                                  {"2026-01-30", false},
                                                  {"2025-11-21", false},
                                                  {"2025-11-20", true},
                                                  {"2025-12-01-10-00-00", true}};
    for (const auto& [date, kept] : dated) writeFile(stem + date + ".LOG", 3);
    logfile::rotate();
    for (const auto& [date, kept] : dated) EXPECT_EQ(platform::fileExists(stem + date + ".LOG"), kept) << date;
}

TEST(LogFile, BannerLinesComeInOrder)
{
    systeminfo::VersionRecord host, driverRecord;
    host.FileDescription = "主机";
    host.FileVersion = "6.0";
    driverRecord.DeviceName = "Ostrevane仪表";
    driverRecord.FileVersion = "3.11.0.3";
    const auto lines = logfile::bannerMessages(host, driverRecord);
    ASSERT_GE(lines.size(), 9u);
    const size_t n = lines.size();
    EXPECT_EQ(lines[n - 3], "启动主机[文件版本6.0]  ...");
    EXPECT_EQ(lines[n - 2], "启动驱动程序Ostrevane仪表  ...");
    EXPECT_EQ(lines[n - 1], "驱动程序版本3.11.0.3  ...");
    EXPECT_EQ(lines[n - 8].rfind("已使用内存 = ", 0), 0u);
    EXPECT_EQ(lines[n - 9].front(), '[');
    EXPECT_EQ(logfile::bannerMessages({}, {})[n - 3], "启动[文件版本]  ...");
    systeminfo::MemoryStatus status;
    status.loadPercent = 42;
    status.totalPhysical = 3 * 1048576ull + 1048575;
    status.availablePhysical = 1048575;
    std::vector<std::string> memory = logfile::memoryMessages(status);
    memory.resize(3);
    EXPECT_EQ(memory, (std::vector<std::string>{"已使用内存 = 42 %", "总物理内存 = 3 MB", "可用物理内存 = 0 MB"}));
}
