#include "ui/Form.h"
#include "ui/headless/HeadlessToolkit.h"

namespace ui {

// TEMPORARY until the window backend lands: pages close at once.
Toolkit& platformToolkit()
{
    static headless::HeadlessToolkit unattended(false);
    return unattended;
}

}  // namespace ui
