#include <gtest/gtest.h>

#include "platform/calendar.h"
#include "sysinfo/version_info.h"

TEST(Calendar, DaysBeforeCrossesMonthYearAndLeapDay)
{
    struct Case {
        platform::LocalDateTime from;
        int days;
        const char* expected;
    };
    const Case cases[] = {
        {{2026, 3, 1}, 1, "2026-02-28"},
        {{2024, 3, 1}, 1, "2024-02-29"},
        {{2027, 1, 1}, 1, "2026-12-31"},
        {{2026, 12, 6}, 30, "2026-11-06"},
        {{2026, 12, 6}, 100, "2026-08-28"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::formatDate(platform::daysBefore(c.from, c.days)), c.expected);
}

TEST(Calendar, OleDateCountsDaysFrom18991230)
{
    EXPECT_DOUBLE_EQ(platform::toOleDate({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(platform::toOleDate({1900, 1, 1, 12, 0, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(platform::toOleDate({2026, 12, 6, 6, 0, 0, 0}), 46362.25);
}

TEST(HostFolder, FolderPartOfTheRegistryValueTrimmed)
{
    EXPECT_EQ(systeminfo::hostFolderFrom("  C:\\Hylex\\Hylex.exe"), "C:\\Hylex\\");
    EXPECT_EQ(systeminfo::hostFolderFrom("D:Hylex.exe"), "D:");
    EXPECT_EQ(systeminfo::hostFolderFrom("/opt/hylex/bin/"), "/opt/hylex/bin/");
    EXPECT_EQ(systeminfo::hostFolderFrom("Hylex.exe"), "");
    EXPECT_EQ(systeminfo::hostFolderFrom(""), "");
}
