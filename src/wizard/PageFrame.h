// The frame every wizard page shares: 475 x 333 client area, centred, on top, a
// white title band with the title and a one-line instruction, the page's body below
// and the button row at the bottom right.
#pragma once
#include <cstdint>
#include <string>

#include "ui/Form.h"

namespace wizard {

struct PageFrame {
    ui::Control* titleBand = nullptr;    // white, 53 pixels high
    ui::Control* title = nullptr;        // "欢迎使用" DeviceName "配置向导"
    ui::Control* instruction = nullptr;  // the one-line instruction
    ui::Control* body = nullptr;         // the lower panel: page controls and buttons
};

constexpr int kTitleBandHeight = 53;
// Button row of the lower panel: 75 x 25 at x = 224, 304, 384 and y = 244.
constexpr ui::Bounds kLastBtnBounds{224, 244, 75, 25};
constexpr ui::Bounds kNextBtnBounds{304, 244, 75, 25};
constexpr ui::Bounds kFinishBtnBounds{384, 244, 75, 25};

// Builds the frame on a form: caption DeviceName + captionSuffix, the title band
// with the instruction (its control named instructionName).
PageFrame buildPageFrame(ui::Form& form, const std::string& captionSuffix, const std::string& instruction,
                         const std::string& instructionName = "InstructionLbl");

// A button of the lower panel.
ui::Control& addButton(ui::Form& form, const PageFrame& frame, const std::string& name, const std::string& caption,
                       ui::Bounds bounds);

// A wizard page: the frame, the button row and the navigation between pages.
class TWizardPage : public ui::Form {
protected:
    // Sets WizardPage to 8, so closing the window by its close box ends the wizard.
    TWizardPage(const std::string& className, uint8_t pageNo, const std::string& captionSuffix,
                const std::string& instruction, bool withLast, bool withNext);

    // Next: remember this page, go to the target, close.
    void goNext(uint8_t target);
    // Back (LastBtn): return to the page that led here, close.
    void goBack();
    // Finish: write the working copy back to the host's block (pages 2..7), end.
    virtual void finish();

    uint8_t pageNo_;
    PageFrame frame_;
    ui::Control* LastBtn = nullptr;
    ui::Control* NextBtn = nullptr;
    ui::Control* FinishBtn = nullptr;
};

}  // namespace wizard
