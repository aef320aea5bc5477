// The debug page: the three logging switches of the wizard's working copy, and
// today's log file viewed, edited, saved and printed.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "diagnostics/DiagnosticsTexts.h"
#include "ui/Form.h"
#include "wizard/PageFrame.h"

namespace diagnostics {

class TDebugFrm : public ui::Form {
public:
    // Opening: the frame and controls, then the boxes ticked from the working copy.
    TDebugFrm();

    // The most of the log file the page takes in. A log rotates at 500000 bytes
    // when a driver starts, but one long run can grow it far beyond that; a larger
    // file shows only its newest part, under a line that says so.
    static constexpr size_t kLogViewLimit = 2 * 1024 * 1024;

    ui::Control* EnDebugChk = nullptr;
    ui::Control* TraceChk = nullptr;
    ui::Control* ErrorChk = nullptr;
    ui::Control* LogMemo = nullptr;
    ui::Control* PrnBtn = nullptr;
    ui::Control* SaveBtn = nullptr;
    ui::Control* SpeedButton1 = nullptr;
    ui::Control* FinishBtn = nullptr;
    ui::Control* LoadBar = nullptr;
    ui::Control* Label2 = nullptr;
    ui::Timer* Timer1 = nullptr;  // one-shot: loads the log
    ui::Timer* Timer2 = nullptr;  // moves LoadBar while the log loads
    const ui::SaveDialogRequest SaveDialog1{"Log", texts::diagnostics::LogFileFilter};

private:
    void buildControls();
    void EnDebugChkClick();
    void ErrorChkClick();
    void TraceChkClick();
    void applyEnableRule();
    void Timer1Timer();
    void Timer2Timer();
    void SaveBtnClick();
    void SpeedButton1Click();
    void PrnBtnClick();
    void FinishBtnClick();
    // A message box over the page, captioned with the device name.
    void tell(const std::string& text);

    wizard::PageFrame frame_;
    bool warningShown_ = false;
    // LogMemo holds only the newest part of a log too large to take in whole.
    bool partialView_ = false;
};

// The log's bytes as memo lines: breaks at CR LF, LF or CR; bytes a window cannot
// show as GBK text (NUL, broken double-byte characters) become '?'.
std::vector<std::string> logLines(const std::string& bytes);
// Memo lines as file bytes, each line ended by CR LF.
std::string fileText(const std::vector<std::string>& lines);

}  // namespace diagnostics
