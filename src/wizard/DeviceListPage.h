// What the modify page and the several-devices page share: the device tree beside
// the type list and the number edit, with Add and Delete. Every action edits the
// working copy at once.
#pragma once
#include <string>

#include "wizard/PageFrame.h"
#include "wizard/TypeAndNumber.h"

namespace wizard {

class TDeviceListPage : public TWizardPage {
protected:
    // duplicateMessage: what a number already in use is refused with.
    TDeviceListPage(const std::string& className, uint8_t pageNo, const std::string& captionSuffix,
                    std::string duplicateMessage);

    ui::Control* DevTypeEd = nullptr;
    ui::Control* IDEd = nullptr;
    ui::Control* DeviceTree = nullptr;
    ui::Control* AddBtn = nullptr;
    ui::Control* DelBtn = nullptr;

private:
    void IDEdChange();
    void DevTypeEdChange();
    void DeviceTreeClick();
    void DeviceTreeKeyUp(int key);
    void AddBtnClick();
    void DelBtnClick();
    // Moves the selected device to a free number, or refuses a number in use.
    void renumber(int deviceNo);
    // The tree again from the table, nothing selected; the next free number offered.
    void rebuild();
    // The entry the selected node refers to, -1 when none is selected.
    int selectedEntry() const;

    std::string duplicateMessage_;
};

}  // namespace wizard
