// The driver's plain-text log: where it lives, how a text goes in, the line format,
// rotation by day and size, and the fixed blocks (banner, statistics).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "sysinfo/system_info.h"
#include "sysinfo/version_info.h"

namespace logfile {

constexpr std::string_view kDriverFileStem = "Ostrevane800";
constexpr uint64_t kRotateSize = 500000;

// LogFileName, shared by every driver object of the process.
std::string LogFileName();
void setLogFileName(const std::string& path);
// Library unload, after the last object has written its statistics.
void releaseLogFileName();
// Computes LogFileName from the host folder: the project of the host's INI file,
// else the Debug folder below the current folder.
std::string computeLogFileName(const std::string& hostFolder);

// "YYYY-MM-DD HH:MM:SS" of the injected clock.
std::string timePrefix();
// time + "：" + message + "\r\n"
std::string line(std::string_view message);
// Appends a text unchanged (creating the folder and file); a text that cannot be
// written is lost silently.
bool append(const std::string& text);
// Moves yesterday's log aside (or an oversized one, named after this second) and
// deletes dated logs 30 to 100 days old.
void rotate();

// Shortest general decimal form with at most 15 significant digits.
std::string formatNumber(double value);
// Rounds a 32-bit float quotient to the nearest integer, halves to even.
std::string formatRounded(float value);

// The five memory lines (messages only, without time and line end).
std::vector<std::string> memoryMessages(const systeminfo::MemoryStatus& status);
// The banner's messages in order; the processor line only when one is known.
std::vector<std::string> bannerMessages(const systeminfo::VersionRecord& host, const systeminfo::VersionRecord& driver);

// "：Class.Method异常！" with time prefix and line end, whatever the switches.
void writeExceptionLine(std::string_view className, std::string_view method) noexcept;

}  // namespace logfile
