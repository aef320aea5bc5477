// The form model's contract with pages and toolkits: program changes never fire
// events, user actions change the control and then fire, and the headless toolkit
// closes whatever a script leaves open.
#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/headless/HeadlessToolkit.h"

namespace {

using ui::ControlKind;
using namespace ui::headless;

struct Counting {
    int clicks = 0;
    int changes = 0;
    void attach(ui::Control& control)
    {
        control.OnClick = [this] { ++clicks; };
        control.OnChange = [this] { ++changes; };
    }
};

TEST(FormModel, ProgramChangesFireNoEvents)
{
    ui::Form form;
    Counting events;
    ui::Control& edit = form.add(ControlKind::Edit, "IDEd", {});
    ui::Control& list = form.add(ControlKind::ComboBox, "DevTypeEd", {});
    ui::Control& check = form.add(ControlKind::CheckBox, "Chk", {});
    for (ui::Control* control : {&edit, &list, &check}) events.attach(*control);
    edit.setText("7");
    list.setItems({"a", "b"});
    list.setItemIndex(1);
    check.setChecked(true);
    EXPECT_EQ(events.clicks + events.changes, 0);
    EXPECT_EQ(list.text(), "b");
}

TEST(FormModel, UserActionsChangeThenFire)
{
    ui::Form form;
    ui::Control& edit = form.add(ControlKind::Edit, "IDEd", {});
    std::string seen;
    edit.OnChange = [&] { seen = edit.text(); };
    edit.userType("42");
    EXPECT_EQ(seen, "42");

    ui::Control& check = form.add(ControlKind::CheckBox, "Chk", {});
    bool state = false;
    check.OnClick = [&] { state = check.checked(); };
    check.userClick();
    EXPECT_TRUE(state);
    check.userClick();
    EXPECT_FALSE(state);

    check.setEnabled(false);
    check.userClick();
    EXPECT_FALSE(check.checked()) << "a disabled control takes no user action";
}

TEST(FormModel, OptionsOfOneParentExcludeEachOther)
{
    ui::Form form;
    ui::Control& groupA = form.add(ControlKind::Panel, "A", {});
    ui::Control& groupB = form.add(ControlKind::Panel, "B", {});
    ui::Control& a1 = form.add(ControlKind::Option, "a1", {}, &groupA);
    ui::Control& a2 = form.add(ControlKind::Option, "a2", {}, &groupA);
    ui::Control& b1 = form.add(ControlKind::Option, "b1", {}, &groupB);
    a1.setChecked(true);
    b1.setChecked(true);
    a2.userClick();
    EXPECT_FALSE(a1.checked());
    EXPECT_TRUE(a2.checked());
    EXPECT_TRUE(b1.checked()) << "another group keeps its choice";
}

TEST(FormModel, SelectionPositionsOutsideTheItems)
{
    struct Case {
        ControlKind kind;
        int position;
        int expected;
    };
    const Case cases[] = {
        {ControlKind::RadioGroup, -1, -1}, {ControlKind::RadioGroup, 5, 2}, {ControlKind::RadioGroup, 1, 1},
        {ControlKind::ComboBox, -1, -1},   {ControlKind::ComboBox, 5, -1},  {ControlKind::ComboBox, 2, 2},
    };
    for (const Case& c : cases) {
        ui::Form form;
        ui::Control& control = form.add(c.kind, "c", {});
        control.setItems({"x", "y", "z"});
        control.setItemIndex(c.position);
        EXPECT_EQ(control.itemIndex(), c.expected) << static_cast<int>(c.kind) << " at " << c.position;
    }
}

TEST(FormModel, TypedComboTextSelectsOnlyAnExactItem)
{
    ui::Form form;
    ui::Control& combo = form.add(ControlKind::ComboBox, "BautEd", {});
    combo.editable = true;
    combo.setItems({"9600", "19200"});
    combo.userType("19200");
    EXPECT_EQ(combo.itemIndex(), 1);
    combo.userType("31250");
    EXPECT_EQ(combo.itemIndex(), -1);
}

TEST(FormModel, MemoTextBecomesLines)
{
    ui::Form form;
    ui::Control& memo = form.add(ControlKind::Memo, "LogMemo", {});
    memo.userType("one\r\ntwo\nthree\r\n");
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"one", "two", "three"}));
    memo.userType("");
    EXPECT_TRUE(memo.lines().empty());
    memo.userType("\r\n\r\nlast");
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"", "", "last"}));
}

TEST(FormModel, TimersFireOnlyWhileRunning)
{
    ui::Form form;
    ui::Timer& timer = form.addTimer("Timer1", 500);
    int fired = 0;
    timer.OnTimer = [&] { ++fired; };
    timer.fire();
    timer.setEnabled(true);
    timer.fire();
    timer.setEnabled(false);
    timer.fire();
    EXPECT_EQ(fired, 1);
}

TEST(HeadlessToolkit, ScriptStepsActOnNestedModalForms)
{
    HeadlessToolkit toolkit;
    ScopedToolkit installed(toolkit);
    ui::Form outer;
    outer.className = "Outer";
    ui::Control& button = outer.add(ControlKind::Button, "Open", {});
    bool innerClosedItself = false;
    button.OnClick = [&] {
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
    EXPECT_EQ(toolkit.pendingSteps(), 0u);
}

TEST(HeadlessToolkit, DialogAnswersAreTakenInOrder)
{
    HeadlessToolkit toolkit;
    toolkit.queueSaveAnswer(std::string("a.log"));
    toolkit.queueSaveAnswer(std::nullopt);
    std::string path;
    EXPECT_TRUE(toolkit.saveDialog({"Log", "x|log"}, path));
    EXPECT_EQ(path, "a.log");
    EXPECT_FALSE(toolkit.saveDialog({"Log", "x|log"}, path));
    EXPECT_FALSE(toolkit.saveDialog({"Log", "x|log"}, path)) << "no answer left cancels";
    EXPECT_THROW(control(*std::make_unique<ui::Form>(), "Missing"), std::out_of_range);
}

}  // namespace
