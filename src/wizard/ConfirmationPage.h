// Page 7: the configuration as it will be stored, read-only, before Finish.
#pragma once
#include "wizard/PageFrame.h"

namespace wizard {

class TEndFrm : public TWizardPage {
public:
    TEndFrm();

private:
    ui::Control* DeviceTree = nullptr;
    ui::Control* ComArgMemo = nullptr;
    ui::Control* Memo5 = nullptr;
};

}  // namespace wizard
