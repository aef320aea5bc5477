#include "wizard/DLLStepStart.h"

#include "diagnostics/DLLDebug.h"
#include "driver/DLLMain.h"
#include "platform/files.h"
#include "wizard/Wizard.h"

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
    {"NewOp", "新建设备", kCreationModePage, true},
    {"ModifyOp", "修改设备", kModifyPage, false},
    {"BrowseOp", "察看设备", kConfirmationPage, false},
};

constexpr int kOptionLeft = 40;
constexpr int kOptionTop = 16;
constexpr int kOptionPitch = 72;  // option, then its note of up to two lines

}  // namespace

TStartFrm::TStartFrm()
    : TWizardPage("TStartFrm", kStartPage, "向导：选择执行的操作方式",
                  "请选择下面的操作选项，然后用鼠标单击下一步或完成按钮：", false, true)
{
    const std::string notes[] = {
        "提供简单到复杂的应用创建向导，可以集中创建一个或多个\r\n" + driver::DevTypeName() + "。",
        "修改原有的设备配置。",
        "浏览已设定好的设备配置。",
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

    DebugBtn = &addButton(*this, frame_, "DebugBtn", "调试设置", {16, 244, 75, 25});
    DebugBtn->OnClick = [this] { DebugBtnClick(); };
    VersionBtn = &addButton(*this, frame_, "VersionBtn", "帮助信息", {96, 244, 75, 25});
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
    const systeminfo::VersionRecord& version = driver::process().driverVersion;
    Hide();
    ui::toolkit().messageBox(
        version.InternalName + "\r\n版本" + version.FileVersion + "\r\n\r\n" + version.FileDescription,
        driver::DeviceName(), ui::MessageKind::Information);
    Show();
    const std::string helpFile =
        driver::process().hostVersion.hostFolder + "help" + platform::pathSeparator() + driver::DeviceName() + ".chm";
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
