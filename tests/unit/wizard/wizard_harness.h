// Drives the wizard headless: a host block, a scripted user and what he saw.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/Wizard.h"

namespace wizard_testing {

// A device a test block holds: number and type code.
struct Device {
    int number;
    uint8_t type;
};

// The default block with exactly these devices; FirstDevice is the first of them.
OstrevanePDB blockWith(const std::vector<Device>& devices);
// Numbers of the entries in use, ascending.
std::vector<int> devicesInUse(const OstrevanePDB& block);
// A control's texts joined by '|': a memo's lines, a tree's nodes, a list's items
// (name + ".items"); otherwise its caption. "" names the form's caption.
std::string shownText(ui::Form& form, const std::string& what);

// What the user does on one page, e.g. "pick MulCreate; click NextBtn": pick and
// click (a control), dbl (double click), type (text, may be empty), select and node
// (a position), key (a key code), close (the close box), mark (changes the working
// copy as the debug page would).
ui::headless::HeadlessToolkit::Step actions(const std::string& script);
// The working copy of the running wizard.
OstrevanePDB& workingCopy();

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Queues one script per page shown, in order.
    void script(const std::vector<std::string>& pages);
    // Runs the wizard over the host block; its result.
    uint32_t run() { return wizard::runWizard(host, 0); }
    // The class names of the forms shown, separated by blanks.
    std::string shownForms() const;
    // Shows one page over the working copy and does the script (or step) on it.
    void onPage(uint8_t page, const std::string& script) { onPage(page, actions(script)); }
    void onPage(uint8_t page, ui::headless::HeadlessToolkit::Step step);

    ui::headless::HeadlessToolkit toolkit;
    ui::headless::ScopedToolkit installed{toolkit};
    OstrevanePDB host{};
};

}  // namespace wizard_testing
