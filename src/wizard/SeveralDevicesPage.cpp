#include "wizard/SeveralDevicesPage.h"

#include "sysinfo/version_info.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

TStep12Frm::TStep12Frm()
    : TDeviceListPage("TStep12Frm", kSeveralDevicesPage, texts::wizard::SeveralDevicesTitle + systeminfo::DevTypeName(),
                      systeminfo::DevIDName() + texts::wizard::NumberRepeated)
{
    // The page offers the next free number for the next device; nothing is selected.
    IDEd->setText(std::to_string(devices::FreeDeviceNo(state().WizardPDB)));
}

}  // namespace wizard
