#include "wizard/ConfirmationPage.h"

#include "sysinfo/version_info.h"
#include "wizard/DeviceList.h"
#include "wizard/SerialSummary.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

TEndFrm::TEndFrm()
    : TWizardPage("TEndFrm", kConfirmationPage, texts::wizard::ConfirmationTitle, texts::wizard::ConfirmationHint, true,
                  false)
{
    using ui::ControlKind;
    const OstrevanePDB& block = state().WizardPDB;
    add(ControlKind::Label, "TreeLbl", {8, 4, 200, 16}, frame_.body).setCaption(texts::wizard::DeviceTree);
    DeviceTree = &add(ControlKind::TreeView, "DeviceTree", {8, 22, 200, 212}, frame_.body);
    DeviceTree->readOnly = true;
    DeviceTree->setNodes(devices::deviceNodes(block));

    add(ControlKind::Label, "ComArgLbl", {218, 4, 248, 16}, frame_.body).setCaption(texts::wizard::SerialArguments);
    ComArgMemo = &add(ControlKind::Memo, "ComArgMemo", {218, 22, 248, 62}, frame_.body);
    ComArgMemo->readOnly = true;
    ComArgMemo->setLines(serial::summaryLines(block));

    const std::string& word = systeminfo::DevTypeName();
    const std::string& idWord = systeminfo::DevIDName();
    ui::Control& usage = add(ControlKind::GroupBox, "UsageGroup", {218, 92, 248, 142}, frame_.body);
    usage.setCaption(systeminfo::DeviceName() + texts::wizard::Usage);
    Memo5 = &add(ControlKind::Memo, "Memo5", {8, 18, 232, 116}, &usage);
    Memo5->readOnly = true;
    Memo5->setLines(
        {texts::wizard::UsageEachDevice + word + texts::wizard::UsageUniqueNumber + idWord + texts::wizard::FullStop,
         texts::wizard::UsageNewTag + idWord + texts::wizard::UsageDetermines + texts::wizard::UsageWhichDevice + word +
             texts::wizard::FullStop});
}

}  // namespace wizard
