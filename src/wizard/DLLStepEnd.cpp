#include "wizard/DLLStepEnd.h"

#include "driver/DLLMain.h"
#include "wizard/DeviceList.h"
#include "wizard/SerialSummary.h"
#include "wizard/Wizard.h"

namespace wizard {

TEndFrm::TEndFrm()
    : TWizardPage("TEndFrm", kConfirmationPage, "向导：向导退出前的确认",
                  "确认后单击完成按钮，或单击上一步按钮修改配置：", true, false)
{
    using ui::ControlKind;
    const OstrevanePDB& block = state().WizardPDB;
    add(ControlKind::Label, "TreeLbl", {8, 4, 200, 16}, frame_.body).setCaption("设备配置图：");
    DeviceTree = &add(ControlKind::TreeView, "DeviceTree", {8, 22, 200, 212}, frame_.body);
    DeviceTree->readOnly = true;
    DeviceTree->setNodes(devices::deviceNodes(block));

    add(ControlKind::Label, "ComArgLbl", {218, 4, 248, 16}, frame_.body).setCaption("串行口参数：");
    ComArgMemo = &add(ControlKind::Memo, "ComArgMemo", {218, 22, 248, 62}, frame_.body);
    ComArgMemo->readOnly = true;
    ComArgMemo->setLines(serial::summaryLines(block));

    const std::string& word = driver::DevTypeName();
    const std::string& idWord = driver::DevIDName();
    ui::Control& usage = add(ControlKind::GroupBox, "UsageGroup", {218, 92, 248, 142}, frame_.body);
    usage.setCaption(driver::DeviceName() + "使用说明");
    Memo5 = &add(ControlKind::Memo, "Memo5", {8, 18, 232, 116}, &usage);
    Memo5->readOnly = true;
    Memo5->setLines({"    每个与上位机相连的" + word + "在上位机的设备中都有一个唯一的" + idWord + "。",
                     "    在上位机的新建标签时，需要在标签主地址中指定" + idWord + "，从而确定此标签在一个节点设备中" +
                         "属于的哪一个" + word + "。"});
}

}  // namespace wizard
