#include "wizard/DLLStep2.h"

#include "driver/DLLMain.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"

namespace wizard {

TStep2Frm::TStep2Frm()
    : TDeviceListPage("TStep2Frm", kModifyPage,
                      "向导：修改" + driver::DevTypeName() + "参数或删除" + driver::DevTypeName(),
                      "单元号重复,请重新修改!")
{
    // The page opens on the preselected device and with the first device of the tree selected.
    const OstrevanePDB& block = state().WizardPDB;
    IDEd->setText(std::to_string(block.Devices[devices::preselectedEntry(block)].DeviceNo));
    if (!DeviceTree->nodes().empty()) DeviceTree->setSelectedNode(0);
}

}  // namespace wizard
