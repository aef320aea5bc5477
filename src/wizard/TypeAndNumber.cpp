#include "wizard/TypeAndNumber.h"

#include "definitions/DLLDef.h"
#include "sysinfo/version_info.h"
#include "wizard/WizardTexts.h"

namespace wizard {

TypeAndNumber addTypeAndNumber(ui::Form& form, ui::Control* parent, ui::Bounds bounds)
{
    using ui::ControlKind;
    const std::string& word = systeminfo::DevTypeName();
    ui::Control& group = form.add(ControlKind::GroupBox, "TypeGroup", bounds, parent);
    group.setCaption(word + texts::wizard::TypeAndParameters);
    const int width = bounds.width - 24;
    form.add(ControlKind::Label, "DevTypeLbl", {12, 22, width, 16}, &group).setCaption(word + texts::wizard::Type);
    TypeAndNumber controls;
    controls.DevTypeEd = &form.add(ControlKind::ComboBox, "DevTypeEd", {12, 40, width, 20}, &group);
    std::vector<std::string> names;
    names.reserve(def::DevTypes.size());
    for (const def::DeviceTypeDef& type : def::DevTypes) names.emplace_back(type.name);
    controls.DevTypeEd->setItems(names);
    form.add(ControlKind::Label, "IDLbl", {12, 68, width, 16}, &group).setCaption(systeminfo::DevIDName());
    controls.IDEd = &form.add(ControlKind::Edit, "IDEd", {12, 86, width, 20}, &group);
    return controls;
}

void showDeviceType(ui::Control& DevTypeEd, uint8_t code)
{
    // A combo box has no position for the no-device code: nothing is selected.
    DevTypeEd.setItemIndex(code < def::kDeviceTypeCount ? code : -1);
}

}  // namespace wizard
