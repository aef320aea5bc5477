#include "ui/Form.h"
#include "ui/win32/Win32Toolkit.h"

namespace ui {

// On Windows the pages are real windows.
Toolkit& platformToolkit()
{
    static win32::Win32Toolkit windows;
    return windows;
}

}  // namespace ui
