// Page 1: what to do — create devices, change them, or look at them; the debug
// settings and the version and help information are opened from here too.
#pragma once
#include "wizard/PageFrame.h"

namespace wizard {

class TStartFrm : public TWizardPage {
public:
    TStartFrm();

private:
    void NextBtnClick();
    // Finish here ends the wizard without writing anything back.
    void finish() override;
    void VersionBtnClick();
    void DebugBtnClick();

    ui::Control* NewOp = nullptr;
    ui::Control* ModifyOp = nullptr;
    ui::Control* BrowseOp = nullptr;
    ui::Control* DebugBtn = nullptr;
    ui::Control* VersionBtn = nullptr;
};

}  // namespace wizard
