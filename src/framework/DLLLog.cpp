#include "framework/DLLLog.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "framework/FrameworkTexts.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ini_file.h"

namespace logfile {
namespace {

std::mutex& nameLock()
{
    static std::mutex lock;
    return lock;
}
// LogFileName lives from the library's load to its unload. Objects still held at
// unload write their statistics after the C++ runtime's exit handlers have run, so
// the name cannot be a static that those handlers destroy.
std::string* storedName = nullptr;

std::string withoutExtension(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t separator = path.find_last_of("\\/");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path;
    return path.substr(0, dot);
}

std::string folderOf(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string dayFileName(const std::string& stem, const platform::LocalDateTime& date)
{
    return stem + platform::formatDate(date) + ".LOG";
}

}  // namespace

std::string LogFileName()
{
    std::lock_guard<std::mutex> lock(nameLock());
    return storedName ? *storedName : std::string();
}

void setLogFileName(const std::string& path)
{
    std::lock_guard<std::mutex> lock(nameLock());
    if (storedName) {
        *storedName = path;
    } else {
        storedName = new std::string(path);
    }
}

void releaseLogFileName()
{
    std::lock_guard<std::mutex> lock(nameLock());
    delete storedName;
    storedName = nullptr;
}

std::string computeLogFileName(const std::string& hostFolder)
{
    const char separator = platform::pathSeparator();
    const std::string fileName = std::string(kDriverFileStem) + ".Log";
    const std::string iniPath = hostFolder + "Vimerix.ini";
    if (!hostFolder.empty() && platform::fileExists(iniPath)) {
        const std::string project =
            platform::readIniString(iniPath, "WORKING", "DefaultPROJECT", std::string(".") + separator);
        size_t last = std::string::npos;
        for (size_t i = 0; i < project.size(); ++i)
            if (platform::isPathSeparator(project[i])) last = i;
        const std::string projectFolder = last == std::string::npos ? std::string() : project.substr(0, last + 1);
        return projectFolder + "Debug" + separator + fileName;
    }
    return std::string(".") + separator + "Debug" + separator + fileName;
}

std::string timePrefix() { return platform::formatDateTime(platform::clock().localNow()); }

std::string line(std::string_view message)
{
    std::string text = timePrefix();
    text += texts::framework::FullWidthColon;
    text += message;
    text += "\r\n";
    return text;
}

bool append(const std::string& text)
{
    try {
        const std::string path = LogFileName();
        if (path.empty()) return false;
        const std::string folder = folderOf(path);
        if (!folder.empty() && !platform::folderExists(folder) && !platform::createFolders(folder)) return false;
        return platform::appendExclusive(path, text);
    } catch (...) {
        return false;
    }
}

void rotate()
{
    try {
        const std::string path = LogFileName();
        if (path.empty()) return;
        const std::string stem = withoutExtension(path);
        const platform::LocalDateTime now = platform::clock().localNow();
        std::string target = dayFileName(stem, platform::daysBefore(now, 1));
        if (platform::fileExists(path)) {
            const int64_t size = platform::fileSize(path);
            if (size > static_cast<int64_t>(kRotateSize)) {
                char stamp[64];
                std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d-%02d-%02d", now.year, now.month, now.day,
                              now.hour, now.minute, now.second);
                target = stem + stamp + ".LOG";
            }
        } else {
            const std::string folder = folderOf(path);
            // A log folder that cannot be made holds no old day files to sweep either.
            if (!folder.empty() && !platform::createFolders(folder)) return;
            platform::touchFile(path);
        }
        if (platform::fileExists(path) && !platform::fileExists(target)) platform::renameFile(path, target);
        for (int daysBack = 30; daysBack <= 100; ++daysBack) {
            const std::string old = dayFileName(stem, platform::daysBefore(now, daysBack));
            if (platform::fileExists(old)) platform::deleteFile(old);
        }
    } catch (...) {
    }
}

std::string formatNumber(double value)
{
    if (value == 0) return "0";  // also turns -0 into 0
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string formatRounded(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(std::nearbyint(value)));
    return text;
}

std::vector<std::string> memoryMessages(const systeminfo::MemoryStatus& status)
{
    constexpr uint64_t kMegabyte = 1048576;
    auto megabytes = [](uint64_t bytes) { return std::to_string(bytes / kMegabyte) + " MB"; };
    return {
        texts::framework::MemoryLoad + std::to_string(status.loadPercent) + " %",
        texts::framework::TotalPhysicalMemory + megabytes(status.totalPhysical),
        texts::framework::AvailablePhysicalMemory + megabytes(status.availablePhysical),
        texts::framework::TotalVirtualMemory + megabytes(status.totalVirtual),
        texts::framework::AvailableVirtualMemory + megabytes(status.availableVirtual),
    };
}

std::vector<std::string> bannerMessages(const systeminfo::VersionRecord& host, const systeminfo::VersionRecord& driver)
{
    std::vector<std::string> messages;
    std::string processor;
    if (systeminfo::processorDescription(processor)) messages.push_back("[" + processor + "]");
    messages.push_back("[" + systeminfo::operatingSystemDescription() + "] ");
    for (std::string& memory : memoryMessages(systeminfo::memoryStatus())) messages.push_back(std::move(memory));
    messages.push_back(texts::framework::HostStarting + host.FileDescription + texts::framework::HostFileVersion +
                       host.FileVersion + "]  ...");
    messages.push_back(texts::framework::DriverStarting + driver.DeviceName + "  ...");
    messages.push_back(texts::framework::DriverVersion + driver.FileVersion + "  ...");
    return messages;
}

void writeExceptionLine(std::string_view className, std::string_view method) noexcept
{
    try {
        std::string message(className);
        message += ".";
        message += method;
        message += texts::framework::ExceptionEnd;
        append(line(message));
    } catch (...) {
    }
}

}  // namespace logfile
