// What the host reads from the driver's log.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/log_view.h"
#include "support/test_support.h"

namespace {

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
