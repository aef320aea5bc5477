#include "wizard/StartPage.h"

#include "diagnostics/DLLDebug.h"
#include "platform/files.h"
#include "sysinfo/version_info.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

namespace {

using ui::ControlKind;

struct OperationOption {
    const char* name;
    const char* caption;
    uint8_t target;       // the page Next goes to
    bool createsDevices;  // a new configuration: marks the configuration changed
};

constexpr OperationOption kOperations[] = {
    {"NewOp", texts::wizard::NewDevices, kCreationModePage, true},
    {"ModifyOp", texts::wizard::ModifyDevices, kModifyPage, false},
    {"BrowseOp", texts::wizard::BrowseDevices, kConfirmationPage, false},
};

constexpr int kOptionLeft = 40;
constexpr int kOptionTop = 16;
constexpr int kOptionPitch = 72;  // option, then its note of up to two lines

}  // namespace

TStartFrm::TStartFrm()
    : TWizardPage("TStartFrm", kStartPage, texts::wizard::StartTitle, texts::wizard::StartHint, false, true)
{
    const std::string notes[] = {
        texts::wizard::NewDevicesNote + systeminfo::DevTypeName() + texts::wizard::FullStop,
        texts::wizard::ModifyDevicesNote,
        texts::wizard::BrowseDevicesNote,
    };
    ui::Control* options[3] = {};
    for (int i = 0; i < 3; ++i) {
        const OperationOption& operation = kOperations[i];
        const int top = kOptionTop + i * kOptionPitch;
        ui::Control& option = add(ControlKind::Option, operation.name, {kOptionLeft, top, 200, 20}, frame_.body);
        option.setCaption(operation.caption);
        option.OnDblClick = [this] { NextBtnClick(); };
        ui::Control& note = add(ControlKind::Label, std::string(operation.name) + "Note",
                                {kOptionLeft + 18, top + 22, 390, 34}, frame_.body);
        note.setCaption(notes[i]);
        options[i] = &option;
    }
    NewOp = options[0];
    ModifyOp = options[1];
    BrowseOp = options[2];
    NewOp->setChecked(true);

    DebugBtn = &addButton(*this, frame_, "DebugBtn", texts::wizard::DebugSettings, {16, 244, 75, 25});
    DebugBtn->OnClick = [this] { DebugBtnClick(); };
    VersionBtn = &addButton(*this, frame_, "VersionBtn", texts::wizard::HelpInformation, {96, 244, 75, 25});
    VersionBtn->OnClick = [this] { VersionBtnClick(); };
    NextBtn->OnClick = [this] { NextBtnClick(); };
}

void TStartFrm::NextBtnClick()
{
    const ui::Control* options[] = {NewOp, ModifyOp, BrowseOp};
    for (int i = 0; i < 3; ++i) {
        if (!options[i]->checked()) continue;
        if (kOperations[i].createsDevices) state().WizardChanged = true;
        goNext(kOperations[i].target);
        return;
    }
}

void TStartFrm::finish()
{
    state().WizardPage = kClosed;
    Close();
}

void TStartFrm::VersionBtnClick()
{
    const systeminfo::VersionRecord& version = systeminfo::processVersions().driverVersion;
    Hide();
    ui::toolkit().messageBox(
        version.InternalName + texts::wizard::VersionLine + version.FileVersion + "\r\n\r\n" + version.FileDescription,
        systeminfo::DeviceName(), ui::MessageKind::Information);
    Show();
    const std::string helpFile = systeminfo::processVersions().hostVersion.hostFolder + "help" +
                                 platform::pathSeparator() + systeminfo::DeviceName() + ".chm";
    if (platform::fileExists(helpFile)) ui::toolkit().runCommand("hh " + helpFile);
}

void TStartFrm::DebugBtnClick()
{
    // The start page stays open afterwards; closing it by its close box then still
    // ends the wizard.
    state().WizardPage = kClosed;
    Hide();
    diagnostics::TDebugFrm page;
    page.ShowModal();
    Show();
}

}  // namespace wizard
