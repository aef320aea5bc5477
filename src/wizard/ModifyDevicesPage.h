// Page 3: change, add or delete devices of the existing configuration.
#pragma once
#include "wizard/DeviceListPage.h"

namespace wizard {

class TStep2Frm : public TDeviceListPage {
public:
    TStep2Frm();
};

}  // namespace wizard
