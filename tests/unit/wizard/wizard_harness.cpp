#include "wizard_harness.h"

#include <sstream>

#include "definitions/DLLDef.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "wizard/Pages.h"

namespace wizard_testing {

using namespace ui::headless;

OstrevanePDB blockWith(const std::vector<Device>& devices)
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

std::vector<int> devicesInUse(const OstrevanePDB& block)
{
    std::vector<int> numbers;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n)
        if (block.Devices[n].DeviceType != OSTREVANE_NO_DEVICE) numbers.push_back(n);
    return numbers;
}

namespace {
std::string joined(const std::vector<std::string>& texts)
{
    std::string result;
    for (const std::string& text : texts) result += (result.empty() ? "" : "|") + text;
    return result;
}
}  // namespace

std::string shownText(ui::Form& form, const std::string& what)
{
    if (what.empty()) return form.caption();
    const size_t dot = what.find(".items");
    if (dot != std::string::npos) return joined(control(form, what.substr(0, dot)).items());
    ui::Control& shown = control(form, what);
    std::vector<std::string> nodes;
    for (const ui::TreeNode& node : shown.nodes()) nodes.push_back(node.text);
    switch (shown.kind()) {
        case ui::ControlKind::Memo:
            return joined(shown.lines());
        case ui::ControlKind::TreeView:
            return joined(nodes);
        default:
            return shown.caption();
    }
}

ui::headless::HeadlessToolkit::Step actions(const std::string& script)
{
    return [script](ui::Form& form) {
        std::istringstream steps(script);
        std::string step;
        while (std::getline(steps, step, ';')) {
            std::istringstream words(step);
            std::string verb, name, argument;
            words >> verb >> name >> argument;
            if (verb == "pick" || verb == "click") click(form, name);
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

OstrevanePDB& workingCopy() { return wizard::state().WizardPDB; }

void WizardTest::SetUp()
{
    driver::libraryInitialise();
    host = testing_support::defaultPDB();
    wizard::state().WizardPDB = host;
    wizard::state().WizardChanged = false;
}

void WizardTest::script(const std::vector<std::string>& pages)
{
    for (const std::string& page : pages) toolkit.queue(actions(page));
}

std::string WizardTest::shownForms() const
{
    std::string names;
    for (const std::string& name : toolkit.shownForms) names += (names.empty() ? "" : " ") + name;
    return names;
}

void WizardTest::onPage(uint8_t page, ui::headless::HeadlessToolkit::Step step)
{
    std::unique_ptr<ui::Form> form = wizard::createPage(page);
    ASSERT_TRUE(form);
    toolkit.queue(std::move(step));
    form->ShowModal();
}

}  // namespace wizard_testing
