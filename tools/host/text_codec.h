// The driver speaks GBK (code page 936); the terminal, the tag list file and the
// command line speak UTF-8.
#pragma once
#include <optional>
#include <string>

namespace host {

// Bytes that are no GBK come out as U+FFFD, so a damaged text still shows.
std::string gbkToUtf8(const std::string& gbk);

// Empty when the text is no valid UTF-8 or holds characters GBK lacks.
std::optional<std::string> utf8ToGbk(const std::string& utf8);

}  // namespace host
