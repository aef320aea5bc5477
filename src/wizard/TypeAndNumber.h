// The group every device page shows: the device-type list and the device-number
// edit, each with its label, in a group box.
#pragma once
#include "ui/Form.h"

namespace wizard {

struct TypeAndNumber {
    ui::Control* DevTypeEd = nullptr;  // the known device types, in code order
    ui::Control* IDEd = nullptr;       // a device number
};

// Builds the group at `bounds` (relative to `parent`).
TypeAndNumber addTypeAndNumber(ui::Form& form, ui::Control* parent, ui::Bounds bounds);

// Selects the type of a code in the list (no selection for no device).
void showDeviceType(ui::Control& DevTypeEd, uint8_t code);

}  // namespace wizard
