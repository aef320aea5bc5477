// The driver's log as the host sees it: where it is, following it as it grows, and
// the traffic lines that trace output adds (frames sent and received, cycle times).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// Where the driver writes its log, by the driver's own rule: the Debug folder of the
// host's current project when the host folder setting names a folder with Vimerix.ini,
// else ./Debug below the current folder.
std::string driverLogPath(const std::string& hostPathSetting);

// Reads what is appended to a file; starts again from the top when the file was moved
// aside and begun anew.
class LogFollower {
public:
    explicit LogFollower(std::string path) : path_(std::move(path)) {}
    // Lines written from now on are the new ones.
    void skipExisting();
    // Complete lines (GBK, without their CR LF) appended since the last call.
    std::vector<std::string> newLines();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    uint64_t offset_ = 0;
    std::string partial_;
};

struct LogEntry {
    enum class Kind { Sent, Received, Accepted, Cycle, Other };
    Kind kind = Kind::Other;
    std::string time;   // "HH:MM:SS" of the line, empty when it has none
    std::string frame;  // Sent, Received: the bytes of the frame as they went over the line
    uint32_t cycleMilliseconds = 0;
    std::string text;  // Other: the message in UTF-8
};

LogEntry classifyLogLine(const std::string& gbkLine);

// A frame as hex bytes, [04] for bytes sent and <02> for bytes received, followed by
// the readable form: <EOT>0011PV<ENQ>.
std::string renderFrame(const std::string& bytes, bool sent);

// The lines of the driver's exit statistics end with this one (UTF-8).
bool isExitLine(const LogEntry& entry);

}  // namespace host
