#include "wizard/PageFrame.h"

#include "framework/PDB.h"
#include "sysinfo/version_info.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kBodyHeight = 333 - kTitleBandHeight;
}  // namespace

PageFrame buildPageFrame(ui::Form& form, const std::string& captionSuffix, const std::string& instruction,
                         const std::string& instructionName)
{
    PageFrame frame;
    form.clientWidth = 475;
    form.clientHeight = 333;
    form.stayOnTop = true;
    form.centred = true;
    form.setCaption(systeminfo::DeviceName() + captionSuffix);

    frame.titleBand = &form.add(ui::ControlKind::Panel, "TitlePanel", {0, 0, 475, kTitleBandHeight});
    frame.titleBand->colour = kWhite;
    frame.title = &form.add(ui::ControlKind::Label, "TitleLbl", {16, 8, 440, 18}, frame.titleBand);
    frame.title->bold = true;
    frame.title->colour = kWhite;
    frame.title->setCaption(texts::wizard::Welcome + systeminfo::DeviceName() + texts::wizard::ConfigurationWizard);
    frame.instruction = &form.add(ui::ControlKind::Label, instructionName, {32, 30, 430, 16}, frame.titleBand);
    frame.instruction->colour = kWhite;
    frame.instruction->setCaption(instruction);
    frame.body = &form.add(ui::ControlKind::Panel, "BodyPanel", {0, kTitleBandHeight, 475, kBodyHeight});
    return frame;
}

ui::Control& addButton(ui::Form& form, const PageFrame& frame, const std::string& name, const std::string& caption,
                       ui::Bounds bounds)
{
    ui::Control& button = form.add(ui::ControlKind::Button, name, bounds, frame.body);
    button.setCaption(caption);
    return button;
}

TWizardPage::TWizardPage(const std::string& className, uint8_t pageNo, const std::string& captionSuffix,
                         const std::string& instruction, bool withLast, bool withNext)
    : pageNo_(pageNo)
{
    this->className = className;
    state().WizardPage = kClosed;
    frame_ = buildPageFrame(*this, captionSuffix, instruction);
    if (withLast) {
        LastBtn = &addButton(*this, frame_, "LastBtn", texts::wizard::Back, kLastBtnBounds);
        LastBtn->OnClick = [this] { goBack(); };
    }
    if (withNext) {
        NextBtn = &addButton(*this, frame_, "NextBtn", texts::wizard::Next, kNextBtnBounds);
    }
    FinishBtn = &addButton(*this, frame_, "FinishBtn", texts::wizard::Finish, kFinishBtnBounds);
    FinishBtn->OnClick = [this] { finish(); };
}

void TWizardPage::goNext(uint8_t target)
{
    WizardState& wizardState = state();
    wizardState.pushHistory(pageNo_);
    wizardState.WizardPage = target;
    Close();
}

void TWizardPage::goBack()
{
    WizardState& wizardState = state();
    wizardState.WizardPage = wizardState.popHistory();
    Close();
}

void TWizardPage::finish()
{
    WizardState& wizardState = state();
    if (wizardState.hostPDB) pdb::CopyPDB(wizardState.WizardPDB, *wizardState.hostPDB);
    wizardState.WizardPage = kClosed;
    Close();
}

}  // namespace wizard
