// Fonts of a page. Faces are asked for by the Chinese system font's name with the
// GB2312 character set: right on a Chinese Windows, and what a font substitute can
// be mapped to elsewhere.
#pragma once
#include <windows.h>

#include <map>
#include <utility>

namespace ui::win32 {

// Creates a font of `points` for the device `dc` (the screen when null); the caller
// deletes it.
HFONT createPageFont(int points, bool bold, HDC dc = nullptr);

// The fonts one page uses, deleted with it.
class FontCache {
public:
    FontCache() = default;
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    HFONT font(int points, bool bold);

private:
    std::map<std::pair<int, bool>, HFONT> fonts_;
};

}  // namespace ui::win32
