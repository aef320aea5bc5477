// The pages' texts are GBK; windows take UTF-16.
#pragma once
#include <string>
#include <vector>

namespace ui::win32 {

std::wstring gbkToWide(const std::string& text);
// False when the text holds a character that GBK cannot carry (nothing is stored
// in `text` then): a file name must not be silently changed.
bool wideToGbk(const std::wstring& wide, std::string& text);
// Lenient form for texts shown back to the pages: such characters become "?".
std::string wideToGbk(const std::wstring& wide);

// Lines joined with CR LF, as a multi-line edit shows them.
std::wstring joinLines(const std::vector<std::string>& lines);

}  // namespace ui::win32
