#include <gtest/gtest.h>

#include <cstdlib>

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

TEST(LogPath, WithoutHostIniTheLogGoesBelowTheCurrentFolder)
{
    EXPECT_EQ(logfile::computeLogFileName(""), "./Debug/Ostrevane800.Log");
    TempFolder host;
    EXPECT_EQ(logfile::computeLogFileName(host.path() + "/"), "./Debug/Ostrevane800.Log");
}

TEST(LogPath, TheProjectFolderOfTheHostIniHoldsTheDebugFolder)
{
    TempFolder host;
    platform::appendExclusive(host.file("Vimerix.ini"),
                              "[OTHER]\r\nDefaultPROJECT=wrong\r\n[WORKING]\r\nDefaultPROJECT=D:\\Plants\\Line1\\Line1.prj\r\n");
    EXPECT_EQ(logfile::computeLogFileName(host.path() + "/"), "D:\\Plants\\Line1\\Debug/Ostrevane800.Log");
}

TEST(LogPath, AMissingProjectKeyMeansTheCurrentFolder)
{
    TempFolder host;
    platform::appendExclusive(host.file("Vimerix.ini"), "[WORKING]\nOther=1\n");
    EXPECT_EQ(logfile::computeLogFileName(host.path() + "/"), "./Debug/Ostrevane800.Log");
}

TEST(LogLines, LineHasTimePrefixFullWidthColonAndCrLf)
{
    FakeClock clock;
    clock.now = {2026, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(logfile::line("设备加载失败！"), "2026-03-04 05:06:07：设备加载失败！\r\n");
}

TEST(LogLines, ExceptionLineNamesClassAndMethod)
{
    FakeClock clock;
    LogRedirect log;
    logfile::writeExceptionLine("TBaseDLLObject", "Stop");
    EXPECT_EQ(log.content(), "2026-12-06 10:30:15：TBaseDLLObject.Stop异常！\r\n");
}

TEST(LogLines, FirstTextCreatesTheFolder)
{
    LogRedirect log;
    EXPECT_FALSE(platform::folderExists(log.folder() + "/Debug"));
    EXPECT_TRUE(logfile::append("abc"));
    EXPECT_EQ(log.content(), "abc");
}

TEST(LogLines, UnwritableFolderLosesTheTextQuietly)
{
    TempFolder folder;
    platform::appendExclusive(folder.file("blocker"), "file, not a folder");
    const std::string previous = logfile::LogFileName();
    logfile::setLogFileName(folder.file("blocker") + "/Debug/Ostrevane800.Log");
    EXPECT_FALSE(logfile::append("lost"));
    logfile::rotate();  // must not throw either
    logfile::setLogFileName(previous);
}

TEST(LogLines, NumbersUseTheShortestGeneralForm)
{
    EXPECT_EQ(logfile::formatNumber(0), "0");
    EXPECT_EQ(logfile::formatNumber(100), "100");
    EXPECT_EQ(logfile::formatNumber(12.5), "12.5");
    EXPECT_EQ(logfile::formatNumber(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(logfile::formatRounded(3333.3333f), "3333");
    EXPECT_EQ(logfile::formatRounded(2.5f), "2");  // halves to even
    EXPECT_EQ(logfile::formatRounded(3.5f), "4");
}

TEST(LogRotation, FirstRotationOfTheDayMovesTheLogToYesterdaysName)
{
    FakeClock clock;
    LogRedirect log;
    writeFile(log.path(), 1000);
    logfile::rotate();
    const std::string yesterday = log.folder() + "/Debug/Ostrevane8002026-12-05.LOG";
    EXPECT_TRUE(platform::fileExists(yesterday));
    EXPECT_EQ(platform::fileSize(yesterday), 1000);
    EXPECT_FALSE(platform::fileExists(log.path()));

    // A second rotation that day finds yesterday's file and leaves the new log alone.
    writeFile(log.path(), 10);
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(log.path()), 10);
    EXPECT_EQ(platform::fileSize(yesterday), 1000);
}

TEST(LogRotation, AnOversizedLogIsMovedToTheCurrentSecond)
{
    FakeClock clock;
    LogRedirect log;
    writeFile(log.folder() + "/Debug/Ostrevane8002026-12-05.LOG", 5);
    writeFile(log.path(), 600000);
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(log.folder() + "/Debug/Ostrevane8002026-12-06-10-30-15.LOG"), 600000);
    EXPECT_FALSE(platform::fileExists(log.path()));
}

TEST(LogRotation, MissingLogIsCreatedEmptyThenMovedAside)
{
    FakeClock clock;
    LogRedirect log;
    logfile::rotate();
    EXPECT_EQ(platform::fileSize(log.folder() + "/Debug/Ostrevane8002026-12-05.LOG"), 0);
}

TEST(LogRotation, DatedFilesFrom30To100DaysBackAreDeleted)
{
    FakeClock clock;
    clock.now = {2026, 3, 1, 8, 0, 0, 0};  // across February: date arithmetic must be exact
    LogRedirect log;
    const std::string stem = log.folder() + "/Debug/Ostrevane800";
    const std::string kept29 = stem + "2026-01-31.LOG";     // 29 days back
    const std::string gone30 = stem + "2026-01-30.LOG";     // 30 days back
    const std::string gone100 = stem + "2025-11-21.LOG";    // 100 days back
    const std::string kept101 = stem + "2025-11-20.LOG";    // 101 days back
    const std::string keptStamp = stem + "2025-12-01-10-00-00.LOG";
    for (const auto& name : {kept29, gone30, gone100, kept101, keptStamp}) writeFile(name, 3);
    logfile::rotate();
    EXPECT_TRUE(platform::fileExists(kept29));
    EXPECT_FALSE(platform::fileExists(gone30));
    EXPECT_FALSE(platform::fileExists(gone100));
    EXPECT_TRUE(platform::fileExists(kept101));
    EXPECT_TRUE(platform::fileExists(keptStamp));
}

TEST(LogBanner, LinesComeInOrderWithHostAndDriverTexts)
{
    systeminfo::VersionRecord host;
    host.FileDescription = "主机";
    host.FileVersion = "6.0";
    systeminfo::VersionRecord driverRecord;
    driverRecord.DeviceName = "Ostrevane仪表";
    driverRecord.FileVersion = "3.11.0.3";
    const auto lines = logfile::bannerMessages(host, driverRecord);
    ASSERT_GE(lines.size(), 9u);
    const size_t n = lines.size();
    EXPECT_EQ(lines[n - 3], "启动主机[文件版本6.0]  ...");
    EXPECT_EQ(lines[n - 2], "启动驱动程序Ostrevane仪表  ...");
    EXPECT_EQ(lines[n - 1], "驱动程序版本3.11.0.3  ...");
    EXPECT_EQ(lines[n - 8].rfind("已使用内存 = ", 0), 0u);
    EXPECT_EQ(lines[n - 8].substr(lines[n - 8].size() - 2), " %");
    EXPECT_EQ(lines[n - 7].rfind("总物理内存 = ", 0), 0u);
    EXPECT_EQ(lines[n - 4].rfind("可用虚拟内存 = ", 0), 0u);
    EXPECT_EQ(lines[n - 4].substr(lines[n - 4].size() - 3), " MB");
    const std::string& system = lines[n - 9];
    EXPECT_EQ(system.front(), '[');
    EXPECT_EQ(system.substr(system.size() - 2), "] ");
}

TEST(LogBanner, EmptyHostTextsLeaveEmptyPlaces)
{
    const auto lines = logfile::bannerMessages({}, {});
    EXPECT_EQ(lines[lines.size() - 3], "启动[文件版本]  ...");
}

TEST(LogBanner, MemoryFiguresAreWholeMegabytes)
{
    systeminfo::MemoryStatus status;
    status.loadPercent = 42;
    status.totalPhysical = 3 * 1048576ull + 1048575;
    status.availablePhysical = 1048575;
    const auto lines = logfile::memoryMessages(status);
    EXPECT_EQ(lines[0], "已使用内存 = 42 %");
    EXPECT_EQ(lines[1], "总物理内存 = 3 MB");
    EXPECT_EQ(lines[2], "可用物理内存 = 0 MB");
}
