// Following the driver's log and reading its traffic lines.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/log_view.h"
#include "host_test_texts.h"
#include "support/test_support.h"

namespace {

void append(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

TEST(HostLogView, OnlyLinesAppendedAfterTheStartAreNew)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("Ostrevane800.Log");
    append(path, "old line\r\n");
    host::LogFollower follower(path);
    follower.skipExisting();
    EXPECT_TRUE(follower.newLines().empty());

    append(path, "first\r\nsecond, half");
    EXPECT_EQ(follower.newLines(), std::vector<std::string>{"first"});
    append(path, " done\r\n");
    EXPECT_EQ(follower.newLines(), std::vector<std::string>{"second, half done"});
    EXPECT_TRUE(follower.newLines().empty());
}

TEST(HostLogView, OnlyCrLfEndsALineBecauseACheckByteMayBeCrOrLf)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("Ostrevane800.Log");
    host::LogFollower follower(path);
    follower.skipExisting();  // no file yet
    append(path, "reply \x02PV 12.5\x03\n\r\nreply \x02PV 3\x03\r\r\n");
    EXPECT_EQ(follower.newLines(), (std::vector<std::string>{"reply \x02PV 12.5\x03\n", "reply \x02PV 3\x03\r"}));
}

TEST(HostLogView, ALogMovedAsideIsFollowedFromTheTopOfTheNewOne)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("Ostrevane800.Log");
    append(path, std::string(200, 'x') + "\r\n");
    host::LogFollower follower(path);
    follower.skipExisting();
    std::remove(path.c_str());
    append(path, "banner\r\n");
    EXPECT_EQ(follower.newLines(), std::vector<std::string>{"banner"});
}

TEST(HostLogView, TraceLinesAreToldApartFromOtherLines)
{
    // The test is compiled for GBK: these literals are the log's bytes.
    const std::string stamp = "2026-12-06 10:30:15：";
    struct Case {
        std::string line;
        host::LogEntry::Kind kind;
        std::string frame;
        uint32_t cycle;
        std::string text;
    };
    const Case cases[] = {
        {stamp + "发送串行口读标签命令= \x04" "0011PV\x05", host::LogEntry::Kind::Sent, "\x04" "0011PV\x05", 0, ""},
        {stamp + "发送串行口写标签命令= \x04" "0011\x02SL 30.0\x03\x16", host::LogEntry::Kind::Sent,
         "\x04" "0011\x02SL 30.0\x03\x16", 0, ""},
        {stamp + "串行口接收到应答信息= \x06", host::LogEntry::Kind::Received, "\x06", 0, ""},
        {stamp + "串行口应答信息通过校验检查。", host::LogEntry::Kind::Accepted, "", 0, ""},
        {stamp + "本次读标签循环周期（毫秒）=54", host::LogEntry::Kind::Cycle, "", 54, ""},
        {stamp + "本次读标签循环周期（毫秒）=fast", host::LogEntry::Kind::Other, "", 0, utf8(u8"本次读标签循环周期（毫秒）=fast")},
        {stamp + "从驱动程序中退出！", host::LogEntry::Kind::Other, "", 0, utf8(u8"从驱动程序中退出！")},
        {"------", host::LogEntry::Kind::Other, "", 0, "------"},
    };
    for (const Case& c : cases) {
        const host::LogEntry entry = host::classifyLogLine(c.line);
        EXPECT_EQ(entry.kind, c.kind) << c.line;
        EXPECT_EQ(entry.frame, c.frame) << c.line;
        EXPECT_EQ(entry.cycleMilliseconds, c.cycle) << c.line;
        EXPECT_EQ(entry.text, c.text) << c.line;
    }
    EXPECT_EQ(host::classifyLogLine(stamp + "x").time, "10:30:15");
    EXPECT_TRUE(host::isExitLine(host::classifyLogLine(stamp + "从驱动程序中退出！")));
    EXPECT_FALSE(host::isExitLine(host::classifyLogLine(stamp + "通讯总次数= 12")));
}

TEST(HostLogView, FramesShowTheirBytesAndAReadableForm)
{
    EXPECT_EQ(host::renderFrame("\x04" "0011PV\x05", true), "[04][30][30][31][31][50][56][05]  <EOT>0011PV<ENQ>");
    EXPECT_EQ(host::renderFrame("\x02PV 1\x03\x7F", false), "<02><50><56><20><31><03><7F>  <STX>PV 1<ETX><7F>");
    EXPECT_EQ(host::renderFrame("\x06", false), "<06>  <ACK>");
    EXPECT_EQ(host::renderFrame("", true), "  ");
}

TEST(HostLogView, TheLogIsWhereTheDriverPutsIt)
{
    testing_support::TempFolder folder;
    EXPECT_EQ(host::driverLogPath(""), "./Debug/Ostrevane800.Log");
    // A host folder without its INI file changes nothing.
    EXPECT_EQ(host::driverLogPath(folder.path() + "/Hylex.exe"), "./Debug/Ostrevane800.Log");
    std::ofstream(folder.file("Vimerix.ini")) << "[OTHER]\nDefaultPROJECT=/x/\n[Working]\n DefaultProject = \"/plant/line2/main.prj\"\n";
    EXPECT_EQ(host::driverLogPath(folder.path() + "/Hylex.exe"), "/plant/line2/Debug/Ostrevane800.Log");
    std::ofstream(folder.file("Vimerix.ini")) << "[WORKING]\n";
    EXPECT_EQ(host::driverLogPath(folder.path() + "/"), "./Debug/Ostrevane800.Log");
}

}  // namespace
