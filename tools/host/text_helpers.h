// Small text helpers the host's readers share, for UTF-8 texts: only ASCII letters
// change case, the bytes of other characters (all 0x80 and above) stay as they are.
#pragma once
#include <string>
#include <string_view>

namespace host {

// Without the blanks, tabs and carriage returns around it.
std::string trim(std::string_view text);
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);

}  // namespace host
