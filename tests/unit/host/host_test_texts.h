// The tests are compiled for GBK texts; the host works in UTF-8. u8 literals stay UTF-8.
#pragma once
#include <string>

inline std::string utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }
