// Page 4: one device on a point-to-point line. Next replaces the whole device table
// with that one device.
#pragma once
#include "wizard/PageFrame.h"
#include "wizard/TypeAndNumber.h"

namespace wizard {

class TStep11Frm : public TWizardPage {
public:
    TStep11Frm();

private:
    void NextBtnClick();
    void DevTypeEdChange();
    void IDEdChange();

    TypeAndNumber fields_;
    ui::Control* CardScrMemo = nullptr;
    ui::Control* TagTypeMemo = nullptr;
    ui::Control* Memo2 = nullptr;
};

}  // namespace wizard
