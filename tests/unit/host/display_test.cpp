// What the host shows on a terminal and in its plain lines, and what it reads from the
// driver's log.
#include <gtest/gtest.h>

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
    const struct {
        std::string text;
        size_t width;
        std::string fitted;
    } cases[] = {{"PV1", 6, "PV1   "},
                 {"PV1:0.0", 5, "PV1:~"},
                 {utf8(u8"通讯正常"), 8, utf8(u8"通讯正常")},
                 {utf8(u8"通讯正常"), 6, utf8(u8"通讯~ ")}};  // a wide character never goes half
    for (const auto& c : cases) EXPECT_EQ(host::fitWidth(c.text, c.width), c.fitted) << c.text << " in " << c.width;
}

TEST(HostDisplay, ThePromptCollectsTypedLines)
{
    const struct {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::string pending;
    } cases[] = {{{"quit\r\nstatus\n", "SL1=3", "0\r"}, {"quit", "status", "SL1=30"}, ""},
                 {{"N=" + utf8(u8"温"), "\x7f", "x"}, {}, "N=x"},  // back over a whole character
                 {{"\x7f\x7f"
                   "a\x1b[A\x1bOPb"},
                  {},
                  "ab"}};  // nothing to delete; cursor and function keys edit nothing
    for (const auto& c : cases) {
        host::LineEditor editor;
        std::vector<std::string> lines;
        for (const std::string& chunk : c.chunks)
            for (const std::string& line : editor.feed(chunk)) lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.chunks[0];
        EXPECT_EQ(editor.pending(), c.pending) << c.chunks[0];
    }
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
    // A check byte may be CR or LF: only CR LF ends a line.
    append(path, " done \x02PV 12.5\x03\n\r\nreply \x02PV 3\x03\r\r\n");
    EXPECT_EQ(follower.newLines(),
              (std::vector<std::string>{"second, half done \x02PV 12.5\x03\n", "reply \x02PV 3\x03\r"}));

    host::LogFollower later(path);
    later.skipExisting();
    EXPECT_TRUE(later.newLines().empty());
    std::remove(path.c_str());  // moved aside: the new log is followed from its top
    append(path, "banner\r\n");
    EXPECT_EQ(later.newLines(), std::vector<std::string>{"banner"});
}

}  // namespace
