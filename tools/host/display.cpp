#include "host/display.h"

#include <cstdio>

namespace host {

namespace {

// The code point starting at `i` and its length in bytes; a stray byte counts as one.
uint32_t decode(const std::string& text, size_t i, size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
    if (i + length > text.size()) length = 1;
    if (length == 1) return lead;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return code;
}

int widthOf(uint32_t code)
{
    if (code < 0x20 || code == 0x7F) return 0;
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF && code != 0x303F) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
    return wide ? 2 : 1;
}

std::string formatAge(const TagRow& row, double now)
{
    if (!row.reportedAt) return "-";
    char text[24];
    std::snprintf(text, sizeof text, "%.1f s", now - *row.reportedAt);
    return text;
}

constexpr const char* kEraseLine = "\x1b[K";

}  // namespace

size_t displayWidth(const std::string& utf8)
{
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = 1;
        width += static_cast<size_t>(widthOf(decode(utf8, i, length)));
        i += length;
    }
    return width;
}

std::string fitWidth(const std::string& utf8, size_t width)
{
    std::string result;
    size_t used = 0;
    const bool cut = displayWidth(utf8) > width;
    const size_t room = cut && width > 0 ? width - 1 : width;  // leaves a column for the mark
    for (size_t i = 0; i < utf8.size();) {
        size_t length = 1;
        const auto w = static_cast<size_t>(widthOf(decode(utf8, i, length)));
        if (used + w > room) break;
        result.append(utf8, i, length);
        used += w;
        i += length;
    }
    if (cut && width > 0) {
        result += "~";
        ++used;
    }
    result.append(width - used, ' ');
    return result;
}

std::string linkStateWord(int code)
{
    switch (code) {
    case 0: return "no contact";
    case 1: return "normal";
    case 2: return "interference";
    case 3: return "fault";
    case 4: return "line broken";
    case 5: return "paused";
    default: return "?";
    }
}

std::string renderScreen(const ScreenModel& model, int rows, int columns)
{
    const size_t width = columns > 20 ? static_cast<size_t>(columns) : 100;
    std::vector<std::string> lines;
    lines.push_back(model.title);
    lines.push_back(model.status);
    lines.emplace_back();

    struct Column {
        const char* heading;
        size_t width;
    };
    // The value column takes what the others leave: system tags report whole sentences.
    constexpr size_t kOtherColumns = 6 + 16 + 14 + 8 + 9 + 13 + 7;
    const size_t valueWidth = width > kOtherColumns + 12 ? width - kOtherColumns - 1 : 12;
    const Column columnsOf[] = {{"ID", 6},      {"TAG", 16}, {"ADDRESS", 14}, {"VALUE", valueWidth},
                                {"QUALITY", 8}, {"AGE", 9},  {"LINK", 13}};
    std::string heading;
    for (const Column& column : columnsOf) heading += fitWidth(column.heading, column.width) + " ";
    lines.push_back(heading);
    for (const TagRow& row : model.rows) {
        const std::string cells[] = {std::to_string(row.id),
                                     row.name,
                                     row.address,
                                     row.value.empty() ? "-" : row.value,
                                     row.quality.empty() ? "-" : row.quality,
                                     formatAge(row, model.now),
                                     row.link};
        std::string line;
        for (size_t i = 0; i < std::size(columnsOf); ++i) line += fitWidth(cells[i], columnsOf[i].width) + " ";
        lines.push_back(line);
    }
    lines.emplace_back();
    lines.emplace_back("Messages");
    for (const std::string& message : model.messages) lines.push_back("  " + message);
    if (model.showTraffic) {
        lines.emplace_back();
        lines.emplace_back("Traffic ([..] sent, <..> received)");
        for (const std::string& frame : model.traffic) lines.push_back("  " + frame);
    }
    // Lines that do not fit are left out; the prompt stays on screen.
    const size_t limit = rows > 4 ? static_cast<size_t>(rows) - 2 : lines.size();
    if (lines.size() > limit) lines.resize(limit);

    std::string screen = "\x1b[H";
    for (const std::string& line : lines) screen += fitWidth(line, width - 1) + kEraseLine + "\r\n";
    screen += kEraseLine;
    screen += "\r\n> " + model.prompt + "\x1b[J";
    return screen;
}

std::string plainLine(double seconds, const std::string& kind, const std::vector<std::string>& fields)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    std::string line = std::string(time) + " " + kind;
    for (const std::string& field : fields) line += " " + field;
    return line + "\n";
}

std::vector<std::string> LineEditor::feed(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool wasReturn = lastWasReturn_;
        lastWasReturn_ = false;
        if (escape_ == Escape::Started) {
            escape_ = byte == '[' || byte == 'O' ? Escape::Sequence : Escape::None;
            continue;
        }
        if (escape_ == Escape::Sequence) {
            // Cursor keys and the like end with a byte from @ to ~; they edit nothing here.
            if (byte >= 0x40 && byte <= 0x7E) escape_ = Escape::None;
            continue;
        }
        if (byte == 0x1B) {
            escape_ = Escape::Started;
        } else if (byte == '\r' || byte == '\n') {
            if (byte == '\n' && wasReturn) continue;  // CR LF is one end of line
            lastWasReturn_ = byte == '\r';
            lines.push_back(pending_);
            pending_.clear();
        } else if (byte == 0x7F || byte == 0x08) {
            // Back over one whole character, however many bytes it took.
            while (!pending_.empty() && (static_cast<unsigned char>(pending_.back()) & 0xC0) == 0x80)
                pending_.pop_back();
            if (!pending_.empty()) pending_.pop_back();
        } else if (byte == 0x15) {
            pending_.clear();
        } else if (byte >= 0x20 || byte == '\t') {
            pending_ += c;
        }
    }
    return lines;
}

}  // namespace host
