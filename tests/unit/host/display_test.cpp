// What the host shows on a terminal and in its plain lines, and what it reads from the
// driver's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/display.h"
#include "host/log_view.h"
#include "host_test_texts.h"
#include "support/test_support.h"

namespace {

TEST(HostDisplay, TextsAreCutOrPaddedToTheirColumnWideCharactersTakingTwo)
{
    const std::pair<std::string, size_t> widths[] = {{"PV1", 3},
                                                     {utf8(u8"通讯正常!"), 9},
                                                     {utf8(u8"Ａ"), 2},
                                                     {"a\x01"
                                                      "b",
                                                      2},
                                                     {"\xFF", 1}};
    for (const auto& [text, width] : widths) EXPECT_EQ(host::displayWidth(text), width) << text;
    const struct {
        std::string text;
        size_t width;
        std::string fitted;
    } cases[] = {{"PV1", 6, "PV1   "},
                 {"PV1:0.0", 5, "PV1:~"},
                 {utf8(u8"通讯正常"), 8, utf8(u8"通讯正常")},
                 {utf8(u8"通讯正常"), 6, utf8(u8"通讯~ ")},  // a wide character never goes half
                 {utf8(u8"通讯正常"), 5, utf8(u8"通讯~")},
                 {"abc", 0, ""}};
    for (const auto& c : cases) EXPECT_EQ(host::fitWidth(c.text, c.width), c.fitted) << c.text << " in " << c.width;
    EXPECT_EQ(host::plainLine(1.5, "value", {"id=1", "value=a b"}), "1.500 value id=1 value=a b\n");
}

TEST(HostDisplay, ThePromptCollectsTypedLines)
{
    const struct {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::string pending;
    } cases[] = {{{"SL1=3", "0\r"}, {"SL1=30"}, ""},
                 {{"quit\r\nstatus\n"}, {"quit", "status"}, ""},
                 {{"\n\n"}, {"", ""}, ""},
                 {{"SL1=5\x7f"
                   "6"},
                  {},
                  "SL1=6"},
                 {{"N=" + utf8(u8"温"), "\x7f", "x"}, {}, "N=x"},  // back over a whole character
                 {{"abc\x15"
                   "d"},
                  {},
                  "d"},
                 {{"a\x1b[A\x1b[1;5Cb"}, {}, "ab"},  // cursor keys edit nothing
                 {{"a\x1bOPb"}, {}, "ab"},
                 {{"\x7f\x7f"
                   "a"},
                  {},
                  "a"}};
    for (const auto& c : cases) {
        host::LineEditor editor;
        std::vector<std::string> lines;
        for (const std::string& chunk : c.chunks)
            for (const std::string& line : editor.feed(chunk)) lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.chunks[0];
        EXPECT_EQ(editor.pending(), c.pending) << c.chunks[0];
    }
}

TEST(HostDisplay, TheTableShowsEveryTagRowWithItsLinkAndKeepsThePromptOnScreen)
{
    host::ScreenModel model;
    model.now = 10;
    host::TagRow row;
    row.id = 7;
    row.name = "SL1";
    row.address = "SL1:0.0";
    row.value = "30";
    row.quality = "good";
    row.reportedAt = 7.5;
    row.link = "normal";
    model.rows = {row, row};
    model.rows[1].reportedAt.reset();
    model.rows[1].value.clear();
    model.rows[1].quality.clear();
    model.messages = {"one", "two"};
    model.prompt = "SL1=";
    const std::string screen = host::renderScreen(model, 0, 80);
    EXPECT_EQ(screen.rfind("\x1b[H", 0), 0u);
    EXPECT_NE(screen.find("7      SL1              SL1:0.0        30"), std::string::npos) << screen;
    EXPECT_NE(screen.find("good     2.5 s     normal"), std::string::npos) << screen;
    EXPECT_NE(screen.find("-        -         normal"), std::string::npos) << screen;
    EXPECT_NE(screen.find("  two"), std::string::npos);
    EXPECT_NE(screen.find("> SL1=\x1b[J"), std::string::npos);
    // Eight rows: the lines that do not fit go, the prompt stays.
    const std::string small = host::renderScreen(model, 8, 80);
    EXPECT_EQ(small.find("  two"), std::string::npos);
    EXPECT_NE(small.find("> SL1="), std::string::npos);
    EXPECT_LE(std::count(small.begin(), small.end(), '\n'), 7);
}

void append(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

TEST(HostLogView, OnlyLinesAppendedAfterTheStartAreNewAndOnlyCrLfEndsThem)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("Ostrevane800.Log");
    host::LogFollower follower(path);
    follower.skipExisting();  // no file yet
    append(path, "first\r\nsecond, half");
    EXPECT_EQ(follower.newLines(), std::vector<std::string>{"first"});
    append(path, " done\r\n");
    EXPECT_EQ(follower.newLines(), std::vector<std::string>{"second, half done"});
    // A check byte may be CR or LF: only CR LF ends a line.
    append(path, "reply \x02PV 12.5\x03\n\r\nreply \x02PV 3\x03\r\r\n");
    EXPECT_EQ(follower.newLines(), (std::vector<std::string>{"reply \x02PV 12.5\x03\n", "reply \x02PV 3\x03\r"}));
    EXPECT_TRUE(follower.newLines().empty());

    host::LogFollower later(path);
    later.skipExisting();
    EXPECT_TRUE(later.newLines().empty());
    std::remove(path.c_str());  // moved aside: the new log is followed from its top
    append(path, "banner\r\n");
    EXPECT_EQ(later.newLines(), std::vector<std::string>{"banner"});
}

TEST(HostLogView, TraceLinesAreToldApartFromOtherLines)
{
    // The test is compiled for GBK: these literals are the log's bytes. Frames and cycle
    // times are followed end to end in the program's traffic test.
    const std::string stamp = "2026-12-06 10:30:15：";
    using Kind = host::LogEntry::Kind;
    const struct {
        std::string line;
        Kind kind;
        std::string frame;
        uint32_t cycle;
        std::string text;
    } cases[] = {
        {stamp + "串行口应答信息通过校验检查。", Kind::Accepted, "", 0, ""},
        {stamp + "本次读标签循环周期（毫秒）=fast", Kind::Other, "", 0, utf8(u8"本次读标签循环周期（毫秒）=fast")},
        {"------", Kind::Other, "", 0, "------"}};
    for (const auto& c : cases) {
        const host::LogEntry entry = host::classifyLogLine(c.line);
        EXPECT_EQ(entry.kind, c.kind) << c.line;
        EXPECT_EQ(entry.frame, c.frame) << c.line;
        EXPECT_EQ(entry.cycleMilliseconds, c.cycle) << c.line;
        EXPECT_EQ(entry.text, c.text) << c.line;
    }
    EXPECT_EQ(host::classifyLogLine(stamp + "x").time, "10:30:15");
    EXPECT_TRUE(host::isExitLine(host::classifyLogLine(stamp + "从驱动程序中退出！")));
    EXPECT_FALSE(host::isExitLine(host::classifyLogLine(stamp + "通讯总次数= 12")));
    EXPECT_EQ(host::renderFrame("", true), "  ");
}

TEST(HostLogView, TheLogIsWhereTheHostsProjectSettingPutsIt)
{
    testing_support::TempFolder folder;
    EXPECT_EQ(host::driverLogPath(""), "./Debug/Ostrevane800.Log");
    // A host folder without its INI file changes nothing.
    EXPECT_EQ(host::driverLogPath(folder.path() + "/Hylex.exe"), "./Debug/Ostrevane800.Log");
    std::ofstream(folder.file("Vimerix.ini"))
        << "[OTHER]\nDefaultPROJECT=/x/\n[Working]\n DefaultProject = \"/plant/line2/main.prj\"\n";
    EXPECT_EQ(host::driverLogPath(folder.path() + "/Hylex.exe"), "/plant/line2/Debug/Ostrevane800.Log");
    std::ofstream(folder.file("Vimerix.ini")) << "[WORKING]\n";
    EXPECT_EQ(host::driverLogPath(folder.path() + "/"), "./Debug/Ostrevane800.Log");
}

}  // namespace
