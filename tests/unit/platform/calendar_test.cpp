// Dates of the day logs and of the time stamps the host gets.
#include <gtest/gtest.h>

#include "platform/calendar.h"

TEST(Calendar, DaysBeforeCrossMonthYearAndLeapDayOleDatesCountFrom18991230)
{
    const std::tuple<platform::LocalDateTime, int, const char*> cases[] = {
        {{2026, 3, 1}, 1, "2026-02-28"},   {{2024, 3, 1}, 1, "2024-02-29"},    {{2027, 1, 1}, 1, "2026-12-31"},
        {{2026, 12, 6}, 30, "2026-11-06"}, {{2026, 12, 6}, 100, "2026-08-28"},
    };
    for (const auto& [from, days, expected] : cases)
        EXPECT_EQ(platform::formatDate(platform::daysBefore(from, days)), expected);
    EXPECT_DOUBLE_EQ(platform::toOleDate({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(platform::toOleDate({1900, 1, 1, 12, 0, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(platform::toOleDate({2026, 12, 6, 6, 0, 0, 0}), 46362.25);
}
