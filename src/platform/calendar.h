// Calendar arithmetic on local dates, independent of the C library's time zone.
#pragma once
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace platform {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int year, int month, int day);
// The date `days` days after 1970-01-01 (time fields zero).
LocalDateTime civilFromDays(int64_t days);
// The date `count` days before `date` (time fields zero).
LocalDateTime daysBefore(const LocalDateTime& date, int count);

// "YYYY-MM-DD"
std::string formatDate(const LocalDateTime& date);
// "YYYY-MM-DD HH:MM:SS"
std::string formatDateTime(const LocalDateTime& date);
// OLE Automation date: days since 1899-12-30, the fraction the time of day.
double toOleDate(const LocalDateTime& date);

}  // namespace platform
