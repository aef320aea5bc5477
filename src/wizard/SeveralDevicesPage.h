// Page 5: several devices on a bus, added one number after another.
#pragma once
#include "wizard/DeviceListPage.h"

namespace wizard {

class TStep12Frm : public TDeviceListPage {
public:
    TStep12Frm();
};

}  // namespace wizard
