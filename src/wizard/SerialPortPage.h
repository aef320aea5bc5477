// Page 6: the computer's side of the serial line — port and character format.
#pragma once
#include "wizard/PageFrame.h"

namespace wizard {

class TStep4Frm : public TWizardPage {
public:
    TStep4Frm();

private:
    ui::Control* ComEd = nullptr;
    ui::Control* BautEd = nullptr;
    ui::Control* DataBitED = nullptr;
    ui::Control* StopBitED = nullptr;
    ui::Control* ParityEd = nullptr;
    ui::Control* Memo2 = nullptr;
};

}  // namespace wizard
