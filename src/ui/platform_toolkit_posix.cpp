#include "ui/Form.h"
#include "ui/headless/HeadlessToolkit.h"

namespace ui {

// Without a windowing system every page closes at once, as if by its close box, and
// message boxes go unseen.
Toolkit& platformToolkit()
{
    static headless::HeadlessToolkit unattended(false);
    return unattended;
}

}  // namespace ui
