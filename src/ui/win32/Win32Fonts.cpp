#include "ui/win32/Win32Fonts.h"

namespace ui::win32 {

HFONT createPageFont(int points, bool bold, HDC dc)
{
    HDC screen = dc ? dc : GetDC(nullptr);
    const int pixelsPerInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (!dc && screen) ReleaseDC(nullptr, screen);
    const int height = -MulDiv(points > 0 ? points : 9, pixelsPerInch > 0 ? pixelsPerInch : 96, 72);
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"SimSun");
}

FontCache::~FontCache()
{
    for (auto& entry : fonts_) {
        if (entry.second) DeleteObject(entry.second);
    }
}

HFONT FontCache::font(int points, bool bold)
{
    const auto key = std::make_pair(points, bold);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    HFONT created = createPageFont(points, bold);
    fonts_.emplace(key, created);
    return created;
}

}  // namespace ui::win32
