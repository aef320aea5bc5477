// The debug page: the three logging switches of the working copy, and the log
// file viewed, edited, saved and printed.
#pragma once
#include "ui/Form.h"

namespace diagnostics {

class TDebugFrm : public ui::Form {
public:
    TDebugFrm();
};

}  // namespace diagnostics
