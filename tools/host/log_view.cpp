#include "host/log_view.h"

#include <charconv>
#include <cstdio>
#include <fstream>

#include "host/text_codec.h"
#include "host/text_helpers.h"

namespace host {

namespace {

const std::string kLogFileName = "Ostrevane800.Log";

std::string gbk(const char* utf8) { return utf8ToGbk(utf8).value_or(std::string()); }

// The driver's trace texts, as they stand in the log.
struct TraceTexts {
    std::string sentRead = gbk("发送串行口读标签命令= ");
    std::string sentWrite = gbk("发送串行口写标签命令= ");
    std::string received = gbk("串行口接收到应答信息= ");
    std::string accepted = gbk("串行口应答信息通过校验检查。");
    std::string cycle = gbk("本次读标签循环周期（毫秒）=");
    std::string colon = gbk("：");
};

const TraceTexts& traceTexts()
{
    static const TraceTexts texts;
    return texts;
}

bool startsWith(const std::string& text, size_t at, const std::string& prefix)
{
    return !prefix.empty() && text.compare(at, prefix.size(), prefix) == 0;
}

std::string folderPart(const std::string& path)
{
    const size_t last = path.find_last_of("\\/:");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The DefaultPROJECT value of section WORKING; `fallback` when there is none.
std::string projectSetting(const std::string& iniPath, const std::string& fallback)
{
    std::ifstream file(iniPath, std::ios::binary);
    std::string line;
    bool inSection = false;
    while (std::getline(file, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string::npos && lowerAscii(trim(line.substr(1, close - 1))) == "working";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos || lowerAscii(trim(line.substr(0, equals))) != "defaultproject")
            continue;
        std::string value = trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return fallback;
}

const char* controlName(unsigned char byte)
{
    switch (byte) {
    case 0x02: return "STX";
    case 0x03: return "ETX";
    case 0x04: return "EOT";
    case 0x05: return "ENQ";
    case 0x06: return "ACK";
    case 0x15: return "NAK";
    default: return nullptr;
    }
}

}  // namespace

std::string driverLogPath(const std::string& hostPathSetting)
{
    const std::string hostFolder = trim(folderPart(hostPathSetting));
    if (!hostFolder.empty()) {
        const std::string iniPath = hostFolder + "Vimerix.ini";
        if (std::ifstream(iniPath).good()) {
            const std::string project = projectSetting(iniPath, "./");
            const size_t last = project.find_last_of("\\/");
            const std::string projectFolder = last == std::string::npos ? std::string() : project.substr(0, last + 1);
            return projectFolder + "Debug/" + kLogFileName;
        }
    }
    return "./Debug/" + kLogFileName;
}

void LogFollower::skipExisting()
{
    std::ifstream file(path_, std::ios::binary | std::ios::ate);
    offset_ = file ? static_cast<uint64_t>(file.tellg()) : 0;
    partial_.clear();
}

std::vector<std::string> LogFollower::newLines()
{
    std::vector<std::string> lines;
    std::ifstream file(path_, std::ios::binary | std::ios::ate);
    if (!file) return lines;
    const auto size = static_cast<uint64_t>(file.tellg());
    if (size < offset_) {
        // Moved aside: the file now standing there is a new one.
        offset_ = 0;
        partial_.clear();
    }
    if (size == offset_) return lines;
    file.seekg(static_cast<std::streamoff>(offset_));
    std::string added(static_cast<size_t>(size - offset_), '\0');
    file.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(static_cast<size_t>(file.gcount()));
    offset_ += added.size();
    partial_ += added;
    // Only CR LF ends a line: a frame's check byte may be a lone CR or LF.
    size_t start = 0;
    for (size_t end = partial_.find("\r\n"); end != std::string::npos; end = partial_.find("\r\n", start)) {
        lines.push_back(partial_.substr(start, end - start));
        start = end + 2;
    }
    partial_.erase(0, start);
    return lines;
}

LogEntry classifyLogLine(const std::string& gbkLine)
{
    const TraceTexts& t = traceTexts();
    LogEntry entry;
    // "YYYY-MM-DD HH:MM:SS" and the full-width colon in front of the message.
    size_t message = 0;
    if (gbkLine.size() >= 19 + t.colon.size() && gbkLine[4] == '-' && gbkLine[13] == ':' &&
        startsWith(gbkLine, 19, t.colon)) {
        entry.time = gbkLine.substr(11, 8);
        message = 19 + t.colon.size();
    }
    for (const std::string* prefix : {&t.sentRead, &t.sentWrite}) {
        if (startsWith(gbkLine, message, *prefix)) {
            entry.kind = LogEntry::Kind::Sent;
            entry.frame = gbkLine.substr(message + prefix->size());
            return entry;
        }
    }
    if (startsWith(gbkLine, message, t.received)) {
        entry.kind = LogEntry::Kind::Received;
        entry.frame = gbkLine.substr(message + t.received.size());
        return entry;
    }
    if (startsWith(gbkLine, message, t.accepted)) {
        entry.kind = LogEntry::Kind::Accepted;
        return entry;
    }
    if (startsWith(gbkLine, message, t.cycle)) {
        const std::string digits = gbkLine.substr(message + t.cycle.size());
        const auto [stop, failure] =
            std::from_chars(digits.data(), digits.data() + digits.size(), entry.cycleMilliseconds);
        if (failure == std::errc() && stop == digits.data() + digits.size()) {
            entry.kind = LogEntry::Kind::Cycle;
            return entry;
        }
    }
    entry.text = gbkToUtf8(gbkLine.substr(message));
    return entry;
}

std::string renderFrame(const std::string& bytes, bool sent)
{
    std::string hex;
    std::string readable;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char code[8];
        std::snprintf(code, sizeof code, sent ? "[%02X]" : "<%02X>", byte);
        hex += code;
        if (const char* name = controlName(byte)) {
            readable += std::string("<") + name + ">";
        } else if (byte >= 0x20 && byte < 0x7F) {
            readable += c;
        } else {
            std::snprintf(code, sizeof code, "<%02X>", byte);
            readable += code;
        }
    }
    return hex + "  " + readable;
}

bool isExitLine(const LogEntry& entry)
{
    return entry.kind == LogEntry::Kind::Other && entry.text.find("从驱动程序中退出") != std::string::npos;
}

}  // namespace host
