#include "wizard/SingleDevicePage.h"

#include "definitions/DLLDef.h"
#include "framework/PDB.h"
#include "sysinfo/version_info.h"
#include "wizard/DeviceList.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

namespace {

using ui::ControlKind;

// A captioned read-only text.
ui::Control& addNote(ui::Form& form, ui::Control* parent, const std::string& name, const std::string& caption,
                     ui::Bounds bounds)
{
    ui::Control& group = form.add(ControlKind::GroupBox, name + "Group", bounds, parent);
    group.setCaption(caption);
    ui::Control& memo = form.add(ControlKind::Memo, name, {8, 18, bounds.width - 16, bounds.height - 26}, &group);
    memo.readOnly = true;
    return memo;
}

}  // namespace

TStep11Frm::TStep11Frm()
    : TWizardPage("TStep11Frm", kSingleDevicePage, texts::wizard::SingleDeviceTitle + systeminfo::DevTypeName(),
                  texts::wizard::SingleDeviceHint + systeminfo::DevTypeName() + texts::wizard::SingleDeviceHintEnd,
                  true, true)
{
    const std::string& word = systeminfo::DevTypeName();
    fields_ = addTypeAndNumber(*this, frame_.body, {8, 4, 210, 118});
    Memo2 =
        &addNote(*this, frame_.body, "Memo2", systeminfo::DevIDName() + texts::wizard::Explanation, {8, 128, 210, 106});
    CardScrMemo =
        &addNote(*this, frame_.body, "CardScrMemo", word + texts::wizard::TypeExplanation, {226, 4, 240, 118});
    TagTypeMemo =
        &addNote(*this, frame_.body, "TagTypeMemo", word + texts::wizard::SupportedTagTypes, {226, 128, 240, 106});

    const OstrevanePDB& block = state().WizardPDB;
    const int first = devices::preselectedEntry(block);
    const uint8_t code = pdb::deviceTypeAt(block, first);
    // A free preselected entry offers the first type.
    fields_.DevTypeEd->setItemIndex(code < def::kDeviceTypeCount ? code : 0);
    fields_.IDEd->setText(std::to_string(first));
    Memo2->setLines({"    " + systeminfo::DeviceName() + texts::wizard::PartOf + systeminfo::DevIDName() +
                     texts::wizard::NumberRange});
    DevTypeEdChange();

    fields_.DevTypeEd->OnChange = [this] { DevTypeEdChange(); };
    fields_.IDEd->OnChange = [this] { IDEdChange(); };
    NextBtn->OnClick = [this] { NextBtnClick(); };
}

void TStep11Frm::DevTypeEdChange()
{
    const int position = fields_.DevTypeEd->itemIndex();
    if (position < 0 || position >= def::kDeviceTypeCount) return;
    CardScrMemo->setLines({std::string(def::DevTypes[position].note)});
    TagTypeMemo->setLines({std::string(def::DevTypes[position].tagNote)});
}

void TStep11Frm::IDEdChange() { fields_.IDEd->setText(std::to_string(devices::clampedDeviceNo(fields_.IDEd->text()))); }

void TStep11Frm::NextBtnClick()
{
    OstrevanePDB& block = state().WizardPDB;
    for (int n = 0; n < def::kDeviceCount; ++n) {
        block.Devices[n].DeviceNo = n;
        devices::freeEntry(block, n);
    }
    const int deviceNo = devices::clampedDeviceNo(fields_.IDEd->text());
    block.FirstDevice = static_cast<uint32_t>(deviceNo);
    devices::assignEntry(block, deviceNo, fields_.DevTypeEd->itemIndex(), false);
    goNext(kSerialPage);
}

}  // namespace wizard
