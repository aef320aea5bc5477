// A small INI reader: section, key, default. Names compare without regard to case.
#pragma once
#include <string>

namespace platform {

std::string readIniString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback);

}  // namespace platform
