// The rest of the form model is shown by the wizard and debug page tests.
#include <gtest/gtest.h>

#include "ui/Form.h"

TEST(FormModel, ProgramChangesFireNothingUserActionsChangeThenFire)
{
    ui::Form form;
    ui::Control& edit = form.add(ui::ControlKind::Edit, "IDEd", {});
    ui::Control& check = form.add(ui::ControlKind::CheckBox, "Chk", {});
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
