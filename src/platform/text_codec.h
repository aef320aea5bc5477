// Conversion of UTF-16 texts (as OLE strings carry them) to the driver's GBK.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// UTF-16 code units to GBK (code page 936); a character that code page lacks,
// or a broken surrogate, becomes "?".
std::string utf16ToGbk(const char16_t* units, size_t count);

}  // namespace platform
