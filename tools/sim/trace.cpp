#include "sim/trace.h"

#include <cstdio>

namespace sim {

std::string hexBytes(std::string_view bytes, Direction direction)
{
    const char* format = direction == Direction::Sent ? "[%.2X]" : "<%.2X>";
    std::string text;
    text.reserve(bytes.size() * 4);
    for (const char byte : bytes) {
        char cell[8];
        std::snprintf(cell, sizeof cell, format, static_cast<unsigned char>(byte));
        text += cell;
    }
    return text;
}

std::string traceLine(std::string_view timeStamp, Direction direction, std::string_view bytes, std::string_view note)
{
    std::string line(timeStamp);
    line += direction == Direction::Sent ? " -> " : " <- ";
    line += hexBytes(bytes, direction);
    if (!note.empty()) {
        line += "  ";
        line += note;
    }
    return line;
}

}  // namespace sim
