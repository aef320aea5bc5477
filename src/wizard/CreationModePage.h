// Page 2: one device on a point-to-point line, or several on a bus.
#pragma once
#include "wizard/PageFrame.h"

namespace wizard {

class TStep1Frm : public TWizardPage {
public:
    TStep1Frm();

private:
    void NextBtnClick();

    ui::Control* SingleCreate = nullptr;
    ui::Control* MulCreate = nullptr;
};

}  // namespace wizard
