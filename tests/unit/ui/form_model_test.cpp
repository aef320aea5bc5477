// The form model's contract with pages and toolkits: program changes never fire
// events, user actions change the control and then fire, and the headless toolkit
// closes whatever a script leaves open.
#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/headless/HeadlessToolkit.h"

namespace {

using ui::ControlKind;
using namespace ui::headless;

TEST(FormModel, ProgramChangesFireNothingUserActionsChangeThenFire)
{
    ui::Form form;
    ui::Control& edit = form.add(ControlKind::Edit, "IDEd", {});
    ui::Control& check = form.add(ControlKind::CheckBox, "Chk", {});
    std::vector<std::string> seen;
    edit.OnChange = [&] { seen.push_back(edit.text()); };
    check.OnClick = [&] { seen.push_back(check.checked() ? "on" : "off"); };
    edit.setText("7");
    check.setChecked(true);
    edit.userType("42");
    check.userClick();
    check.setEnabled(false);
    check.userClick();  // a disabled control takes no user action
    EXPECT_EQ(seen, (std::vector<std::string>{"42", "off"}));
}

TEST(FormModel, OptionsOfOneParentExcludeEachOther)
{
    ui::Form form;
    ui::Control& groupA = form.add(ControlKind::Panel, "A", {});
    ui::Control& a1 = form.add(ControlKind::Option, "a1", {}, &groupA);
    ui::Control& a2 = form.add(ControlKind::Option, "a2", {}, &groupA);
    ui::Control& b1 = form.add(ControlKind::Option, "b1", {}, &form.add(ControlKind::Panel, "B", {}));
    a1.setChecked(true);
    b1.setChecked(true);
    a2.userClick();
    EXPECT_FALSE(a1.checked());
    EXPECT_TRUE(a2.checked() && b1.checked());
}

TEST(FormModel, SelectionsAndTexts)
{
    const std::tuple<ControlKind, int, int> positions[] = {{ControlKind::RadioGroup, -1, -1},
                                                           {ControlKind::RadioGroup, 5, 2},
                                                           {ControlKind::ComboBox, 5, -1},
                                                           {ControlKind::ComboBox, 2, 2}};
    for (const auto& [kind, position, expected] : positions) {
        ui::Form form;
        ui::Control& control = form.add(kind, "c", {});
        control.setItems({"x", "y", "z"});
        control.setItemIndex(position);
        EXPECT_EQ(control.itemIndex(), expected) << static_cast<int>(kind) << " at " << position;
    }
    ui::Form form;
    ui::Control& combo = form.add(ControlKind::ComboBox, "BautEd", {});
    combo.editable = true;
    combo.setItems({"9600", "19200"});
    combo.userType("19200");
    EXPECT_EQ(combo.itemIndex(), 1);
    combo.userType("31250");
    EXPECT_EQ(combo.itemIndex(), -1) << "only an exact item is selected";
    ui::Control& memo = form.add(ControlKind::Memo, "LogMemo", {});
    memo.userType("one\r\ntwo\nthree\r\n");
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"one", "two", "three"}));
    memo.userType("\r\n\r\nlast");
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"", "", "last"}));
    ui::Timer& timer = form.addTimer("Timer1", 500);
    int fired = 0;
    timer.OnTimer = [&] { ++fired; };
    timer.fire();
    timer.setEnabled(true);
    timer.fire();
    EXPECT_EQ(fired, 1) << "timers fire only while running";
}

TEST(HeadlessToolkit, ScriptStepsActOnNestedModalFormsAndDialogAnswersAreTakenInOrder)
{
    HeadlessToolkit toolkit;
    ScopedToolkit installed(toolkit);
    ui::Form outer;
    outer.className = "Outer";
    bool innerClosedItself = false;
    outer.add(ControlKind::Button, "Open", {}).OnClick = [&] {
        outer.Hide();
        ui::Form inner;
        inner.className = "Inner";
        ui::toolkit().messageBox("hello", "caption", ui::MessageKind::Information);
        inner.ShowModal();
        innerClosedItself = inner.closed();
        outer.Show();
    };
    toolkit.queue([](ui::Form& form) { click(form, "Open"); });
    toolkit.queue([](ui::Form& form) { form.Close(); });
    outer.ShowModal();
    EXPECT_EQ(toolkit.shownForms, (std::vector<std::string>{"Outer", "Inner"}));
    ASSERT_EQ(toolkit.messages.size(), 1u);
    EXPECT_EQ(toolkit.messages[0].shownOver, "Outer");
    EXPECT_FALSE(toolkit.messages[0].formVisible);
    EXPECT_TRUE(innerClosedItself);
    EXPECT_TRUE(outer.closed()) << "what the script leaves open is closed by its close box";

    toolkit.queueSaveAnswer(std::string("a.log"));
    toolkit.queueSaveAnswer(std::nullopt);
    std::string path;
    EXPECT_TRUE(toolkit.saveDialog({"Log", "x|log"}, path));
    EXPECT_EQ(path, "a.log");
    EXPECT_FALSE(toolkit.saveDialog({"Log", "x|log"}, path));
    EXPECT_FALSE(toolkit.saveDialog({"Log", "x|log"}, path)) << "no answer left cancels";
    EXPECT_THROW(control(outer, "Missing"), std::out_of_range);
}

}  // namespace
