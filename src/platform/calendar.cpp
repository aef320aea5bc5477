#include "platform/calendar.h"

#include <cstdio>

namespace platform {

// Howard Hinnant's civil calendar algorithms: exact for any proleptic Gregorian date.
int64_t daysFromCivil(int year, int month, int day)
{
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

LocalDateTime civilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    LocalDateTime result;
    result.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    result.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    result.year = static_cast<int>(yearOfEra + era * 400 + (result.month <= 2 ? 1 : 0));
    return result;
}

LocalDateTime daysBefore(const LocalDateTime& date, int count)
{
    return civilFromDays(daysFromCivil(date.year, date.month, date.day) - count);
}

std::string formatDate(const LocalDateTime& date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string formatDateTime(const LocalDateTime& date)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return text;
}

double toOleDate(const LocalDateTime& date)
{
    // 1899-12-30 is day -25569 relative to 1970-01-01.
    const double days = static_cast<double>(daysFromCivil(date.year, date.month, date.day) + 25569);
    const double seconds = date.hour * 3600.0 + date.minute * 60.0 + date.second + date.millisecond / 1000.0;
    return days + seconds / 86400.0;
}

}  // namespace platform
