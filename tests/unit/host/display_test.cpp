// What the host shows on a terminal and in its plain lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/display.h"
#include "host_test_texts.h"

namespace {

TEST(HostDisplay, WideCharactersTakeTwoColumns)
{
    const std::pair<std::string, size_t> cases[] = {
        {"", 0}, {"PV1", 3}, {utf8(u8"通讯正常!"), 9}, {utf8(u8"Ａ"), 2}, {"a\x01" "b", 2}, {"\xFF", 1},
    };
    for (const auto& [text, width] : cases) EXPECT_EQ(host::displayWidth(text), width) << text;
}

TEST(HostDisplay, TextsAreCutOrPaddedToTheirColumn)
{
    struct Case {
        std::string text;
        size_t width;
        std::string fitted;
    };
    const Case cases[] = {
        {"PV1", 6, "PV1   "},
        {"PV1:0.0", 5, "PV1:~"},
        {utf8(u8"通讯正常"), 8, utf8(u8"通讯正常")},
        {utf8(u8"通讯正常"), 6, utf8(u8"通讯~ ")},  // a wide character never goes half
        {utf8(u8"通讯正常"), 5, utf8(u8"通讯~")},
        {"abc", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host::fitWidth(c.text, c.width), c.fitted) << c.text << " in " << c.width;
        EXPECT_EQ(host::displayWidth(host::fitWidth(c.text, c.width)), c.width);
    }
}

TEST(HostDisplay, ThePromptCollectsTypedLines)
{
    struct Case {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::string pending;
    };
    const Case cases[] = {
        {{"SL1=3", "0\r"}, {"SL1=30"}, ""},
        {{"quit\r\nstatus\n"}, {"quit", "status"}, ""},
        {{"\n\n"}, {"", ""}, ""},
        {{"SL1=5\x7f" "6"}, {}, "SL1=6"},
        {{"N=" + utf8(u8"温"), "\x7f", "x"}, {}, "N=x"},  // back over a whole character
        {{"abc\x15" "d"}, {}, "d"},
        {{"a\x1b[A\x1b[1;5Cb"}, {}, "ab"},  // cursor keys edit nothing
        {{"a\x1bOPb"}, {}, "ab"},
        {{"\x7f\x7f" "a"}, {}, "a"},
    };
    for (const Case& c : cases) {
        host::LineEditor editor;
        std::vector<std::string> lines;
        for (const std::string& chunk : c.chunks)
            for (const std::string& line : editor.feed(chunk)) lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.chunks[0];
        EXPECT_EQ(editor.pending(), c.pending) << c.chunks[0];
    }
}

TEST(HostDisplay, APlainLineKeepsItsFreeTextLast)
{
    EXPECT_EQ(host::plainLine(1.5, "value", {"id=1", "quality=good", "value=a b"}),
              "1.500 value id=1 quality=good value=a b\n");
    EXPECT_EQ(host::plainLine(0, "stop", {}), "0.000 stop\n");
}

TEST(HostDisplay, TheTableShowsEveryTagRowWithItsLinkAndKeepsThePromptOnScreen)
{
    host::ScreenModel model;
    model.title = "title";
    model.status = "status";
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
    EXPECT_EQ(screen.find("Traffic"), std::string::npos);
    EXPECT_NE(screen.find("> SL1=\x1b[J"), std::string::npos);

    // Eight rows: the lines that do not fit go, the prompt stays.
    const std::string small = host::renderScreen(model, 8, 80);
    EXPECT_EQ(small.find("  two"), std::string::npos);
    EXPECT_NE(small.find("> SL1="), std::string::npos);
    size_t lines = 0;
    for (const char c : small) lines += c == '\n';
    EXPECT_LE(lines, 7u);
}

}  // namespace
