// Drives the wizard headless: a host block, a scripted user and what he saw.
#pragma once
#include <gtest/gtest.h>

#include <sstream>

#include "Ostrevane800.h"
#include "definitions/DLLDef.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/Pages.h"
#include "wizard/Wizard.h"

namespace wizard_testing {

using namespace ui::headless;
struct Device {
    int number;
    uint8_t type;
};

inline std::string joined(const std::vector<std::string>& texts, const char* separator = "|")
{
    std::string result;
    for (size_t i = 0; i < texts.size(); ++i) result += (i == 0 ? "" : separator) + texts[i];
    return result;
}

// The default block with exactly these devices; FirstDevice is the first of them.
inline OstrevanePDB blockWith(const std::vector<Device>& devices)
{
    OstrevanePDB block = testing_support::defaultPDB();
    for (DeviceEntry& entry : block.Devices) {
        entry.DeviceType = OSTREVANE_NO_DEVICE;
        pdb::setTypeName(entry, "");
    }
    for (const Device& device : devices) {
        block.Devices[device.number].DeviceType = device.type;
        pdb::setTypeName(block.Devices[device.number], std::string(def::DevTypes[device.type].name));
    }
    block.FirstDevice = devices.empty() ? 0 : static_cast<uint32_t>(devices.front().number);
    return block;
}

inline std::vector<int> devicesInUse(const OstrevanePDB& block)
{
    std::vector<int> numbers;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n)
        if (block.Devices[n].DeviceType != OSTREVANE_NO_DEVICE) numbers.push_back(n);
    return numbers;
}

// A memo's lines or a tree's nodes joined by '|'.
inline std::string shownText(ui::Form& form, const std::string& what)
{
    std::vector<std::string> texts = control(form, what).lines();
    for (const ui::TreeNode& node : control(form, what).nodes()) texts.push_back(node.text);
    return joined(texts);
}

inline OstrevanePDB& workingCopy() { return wizard::state().WizardPDB; }

// What the user does on one page, e.g. "click MulCreate; click NextBtn": click, dbl,
// type (text, may be empty), select and node (a position), key (a key code), close
// (the close box), mark (changes the working copy as the debug page would).
inline HeadlessToolkit::Step actions(const std::string& script)
{
    return [script](ui::Form& form) {
        std::istringstream steps(script);
        std::string step;
        while (std::getline(steps, step, ';')) {
            std::istringstream words(step);
            std::string verb, name, argument;
            words >> verb >> name >> argument;
            if (verb == "click") click(form, name);
            if (verb == "dbl") doubleClick(form, name);
            if (verb == "type") type(form, name, argument);
            if (verb == "select") select(form, name, std::stoi(argument));
            if (verb == "node") selectNode(form, name, std::stoi(argument));
            if (verb == "key") keyUp(form, name, std::stoi(argument));
            if (verb == "close") closeBox(form);
            if (verb == "mark") workingCopy().TraceOutput = 1;
        }
    };
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver::libraryInitialise();
        host = testing_support::defaultPDB();
        workingCopy() = host;
        wizard::state().WizardChanged = false;
        toolkit.shownForms.clear();
    }
    // Queues one script per page shown, in order.
    void script(const std::vector<std::string>& pages)
    {
        for (const std::string& page : pages) toolkit.queue(actions(page));
    }
    uint32_t run() { return wizard::runWizard(host, 0); }
    std::string shownForms() const { return joined(toolkit.shownForms, " "); }
    // Shows one page over the working copy and does the step on it.
    void onPage(uint8_t page, HeadlessToolkit::Step step)
    {
        std::unique_ptr<ui::Form> form = wizard::createPage(page);
        toolkit.queue(std::move(step));
        form->ShowModal();
    }

    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
    OstrevanePDB host{};
};

}  // namespace wizard_testing
