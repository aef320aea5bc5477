#include "platform/ini_file.h"

#include <cctype>

#include "platform/files.h"

namespace platform {
namespace {

std::string trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string readIniString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback)
{
    std::string content;
    if (!readWholeFile(path, content)) return fallback;
    bool inSection = false;
    size_t position = 0;
    while (position <= content.size()) {
        size_t end = content.find('\n', position);
        if (end == std::string::npos) end = content.size();
        const std::string line = trim(content.substr(position, end - position));
        position = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string::npos && sameName(trim(line.substr(1, close - 1)), section);
            continue;
        }
        const size_t equals = line.find('=');
        if (inSection && equals != std::string::npos && sameName(trim(line.substr(0, equals)), key)) {
            std::string value = trim(line.substr(equals + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return fallback;
}

}  // namespace platform
