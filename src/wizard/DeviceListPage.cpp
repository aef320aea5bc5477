#include "wizard/DeviceListPage.h"

#include "framework/PDB.h"
#include "sysinfo/version_info.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

TDeviceListPage::TDeviceListPage(const std::string& className, uint8_t pageNo, const std::string& captionSuffix,
                                 std::string duplicateMessage)
    : TWizardPage(className, pageNo, captionSuffix,
                  texts::wizard::DeviceListHint + systeminfo::DevTypeName() + texts::wizard::DeviceListHintEnd, true,
                  true),
      duplicateMessage_(std::move(duplicateMessage))
{
    using ui::ControlKind;
    add(ControlKind::Label, "TreeLbl", {8, 4, 220, 16}, frame_.body).setCaption(texts::wizard::DeviceTree);
    DeviceTree = &add(ControlKind::TreeView, "DeviceTree", {8, 22, 220, 212}, frame_.body);
    DeviceTree->readOnly = true;
    const TypeAndNumber fields = addTypeAndNumber(*this, frame_.body, {238, 4, 228, 118});
    DevTypeEd = fields.DevTypeEd;
    IDEd = fields.IDEd;
    AddBtn = &addButton(*this, frame_, "AddBtn", texts::wizard::Add + systeminfo::DevTypeName(), {246, 134, 100, 25});
    DelBtn =
        &addButton(*this, frame_, "DelBtn", texts::wizard::Delete + systeminfo::DevTypeName(), {358, 134, 100, 25});

    const OstrevanePDB& block = state().WizardPDB;
    showDeviceType(*DevTypeEd, pdb::deviceTypeAt(block, devices::preselectedEntry(block)));
    DeviceTree->setNodes(devices::deviceNodes(block));

    IDEd->OnChange = [this] { IDEdChange(); };
    DevTypeEd->OnChange = [this] { DevTypeEdChange(); };
    DeviceTree->OnClick = [this] { DeviceTreeClick(); };
    DeviceTree->OnKeyUp = [this](int key) { DeviceTreeKeyUp(key); };
    AddBtn->OnClick = [this] { AddBtnClick(); };
    DelBtn->OnClick = [this] { DelBtnClick(); };
    NextBtn->OnClick = [this] { goNext(kSerialPage); };
}

int TDeviceListPage::selectedEntry() const
{
    const int node = DeviceTree->selectedNode();
    return node < 0 ? -1 : DeviceTree->nodes()[node].data;
}

void TDeviceListPage::IDEdChange()
{
    const int deviceNo = devices::clampedDeviceNo(IDEd->text());
    IDEd->setText(std::to_string(deviceNo));
    renumber(deviceNo);
}

void TDeviceListPage::renumber(int deviceNo)
{
    WizardState& wizardState = state();
    OstrevanePDB& block = wizardState.WizardPDB;
    if (!devices::isFree(block, deviceNo)) {
        // The page steps aside while the message is read.
        Hide();
        ui::toolkit().messageBox(duplicateMessage_, systeminfo::DeviceName(), ui::MessageKind::Information);
        Show();
        return;
    }
    const int node = DeviceTree->selectedNode();
    if (node >= 0) {
        devices::freeEntry(block, DeviceTree->nodes()[node].data);
        DeviceTree->setNodeData(node, deviceNo);
        devices::assignEntry(block, deviceNo, DevTypeEd->itemIndex(), true);
        DeviceTree->setNodeText(node, devices::nodeText(block, deviceNo));
        block.FirstDevice = pdb::FirstDeviceNo(block);
    }
    wizardState.WizardChanged = true;
}

void TDeviceListPage::DevTypeEdChange()
{
    WizardState& wizardState = state();
    const int node = DeviceTree->selectedNode();
    if (node >= 0) {
        const int entry = DeviceTree->nodes()[node].data;
        devices::assignEntry(wizardState.WizardPDB, entry, DevTypeEd->itemIndex(), true);
        DeviceTree->setNodeText(node, devices::nodeText(wizardState.WizardPDB, entry));
    }
    wizardState.WizardChanged = true;
}

void TDeviceListPage::DeviceTreeClick()
{
    const int entry = selectedEntry();
    if (entry < 0) return;
    const DeviceEntry& device = state().WizardPDB.Devices[entry];
    IDEd->setText(std::to_string(device.DeviceNo));
    showDeviceType(*DevTypeEd, device.DeviceType);
}

void TDeviceListPage::DeviceTreeKeyUp(int key)
{
    if (key == ui::kKeyDelete) {
        DelBtnClick();
    } else {
        DeviceTreeClick();
    }
}

void TDeviceListPage::AddBtnClick()
{
    // The edit rule keeps typed numbers in the table; a number the page showed from
    // the stored table is kept in it here.
    const int deviceNo = devices::clampedDeviceNo(IDEd->text());
    devices::assignEntry(state().WizardPDB, deviceNo, DevTypeEd->itemIndex(), true);
    rebuild();
}

void TDeviceListPage::DelBtnClick()
{
    const int entry = selectedEntry();
    if (entry >= 0) devices::freeEntry(state().WizardPDB, entry);
    rebuild();
}

void TDeviceListPage::rebuild()
{
    WizardState& wizardState = state();
    OstrevanePDB& block = wizardState.WizardPDB;
    DeviceTree->setNodes(devices::deviceNodes(block));
    const size_t count = DeviceTree->nodes().size();
    if (count > 0) block.FirstDevice = static_cast<uint32_t>(count - 1);
    IDEd->setText(std::to_string(devices::FreeDeviceNo(block)));
    wizardState.WizardChanged = true;
}

}  // namespace wizard
