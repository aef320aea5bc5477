#include "wizard/ModifyDevicesPage.h"

#include "sysinfo/version_info.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

TStep2Frm::TStep2Frm()
    : TDeviceListPage("TStep2Frm", kModifyPage,
                      texts::wizard::ModifyTitle + systeminfo::DevTypeName() + texts::wizard::ParametersOrDelete +
                          systeminfo::DevTypeName(),
                      texts::wizard::UnitNumberRepeated)
{
    // The page opens on the preselected device and with the first device of the tree selected.
    const OstrevanePDB& block = state().WizardPDB;
    IDEd->setText(std::to_string(block.Devices[devices::preselectedEntry(block)].DeviceNo));
    if (!DeviceTree->nodes().empty()) DeviceTree->setSelectedNode(0);
}

}  // namespace wizard
