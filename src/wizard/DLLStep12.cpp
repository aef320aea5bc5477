#include "wizard/DLLStep12.h"

#include "driver/DLLMain.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"

namespace wizard {

TStep12Frm::TStep12Frm()
    : TDeviceListPage("TStep12Frm", kSeveralDevicesPage, "向导：创建多个" + driver::DevTypeName(),
                      driver::DevIDName() + "重复,请重新修改!")
{
    // The page offers the next free number for the next device; nothing is selected.
    IDEd->setText(std::to_string(devices::FreeDeviceNo(state().WizardPDB)));
}

}  // namespace wizard
