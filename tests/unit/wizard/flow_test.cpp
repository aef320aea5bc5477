// The page flow: which page follows which, what Finish and the close box leave in
// the host's block, what the run reports, and the start page's own buttons.
#include <cstring>

#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "platform/files.h"
#include "support/test_support.h"
#include "wizard_harness.h"

namespace wizard_testing {
namespace {

bool sameBlock(const OstrevanePDB& a, const OstrevanePDB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const std::string kNext = "click NextBtn";

struct PathCase {
    const char* name;
    std::vector<std::string> pages;  // one script per page shown
    const char* shown;
    uint32_t result;
};

class WizardPaths : public WizardTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(WizardPaths, ShowPagesInOrderAndReport)
{
    script(GetParam().pages);
    EXPECT_EQ(run(), GetParam().result);
    EXPECT_EQ(shownForms(), GetParam().shown);
    EXPECT_EQ(toolkit.pendingSteps(), 0u);
}

const PathCase kPaths[] = {
    {"NewSingle",
     {kNext, kNext, kNext, kNext, "click FinishBtn"},
     "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm",
     1},
    {"NewSeveral",
     {kNext, "pick MulCreate; click NextBtn", kNext, kNext, "click FinishBtn"},
     "TStartFrm TStep1Frm TStep12Frm TStep4Frm TEndFrm",
     1},
    {"Modify",
     {"pick ModifyOp; click NextBtn", kNext, kNext, "click FinishBtn"},
     "TStartFrm TStep2Frm TStep4Frm TEndFrm",
     2},
    {"Browse", {"pick BrowseOp; click NextBtn", "click FinishBtn"}, "TStartFrm TEndFrm", 2},
    {"BackToSingle",
     {kNext, kNext, kNext, "click LastBtn", ""},
     "TStartFrm TStep1Frm TStep11Frm TStep4Frm TStep11Frm",
     1},
    {"BackToSeveral",
     {kNext, "pick MulCreate; click NextBtn", kNext, "click LastBtn", ""},
     "TStartFrm TStep1Frm TStep12Frm TStep4Frm TStep12Frm",
     1},
    {"BackToModify",
     {"pick ModifyOp; click NextBtn", kNext, "click LastBtn", ""},
     "TStartFrm TStep2Frm TStep4Frm TStep2Frm",
     2},
    {"BackFromBrowsing", {"pick BrowseOp; click NextBtn", "click LastBtn", ""}, "TStartFrm TEndFrm TStartFrm", 2},
    {"NewThenFinishOnModePage", {kNext, "click FinishBtn"}, "TStartFrm TStep1Frm", 1},
    {"DoubleClickNewOp", {"dbl NewOp", ""}, "TStartFrm TStep1Frm", 1},
    {"DoubleClickModifyOp", {"pick ModifyOp; dbl ModifyOp", ""}, "TStartFrm TStep2Frm", 2},
    {"DoubleClickBrowseOp", {"pick BrowseOp; dbl BrowseOp", ""}, "TStartFrm TEndFrm", 2},
    {"DoubleClickSingleCreate", {kNext, "dbl SingleCreate", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
    {"DoubleClickMulCreate", {kNext, "pick MulCreate; dbl MulCreate", ""}, "TStartFrm TStep1Frm TStep12Frm", 1},
    {"DoubleClickEmptyArea", {kNext, "dbl BodyPanel", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
};
INSTANTIATE_TEST_SUITE_P(Flow, WizardPaths, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

// The scripts that lead from the start page to a page, by page number.
const std::vector<std::string> kPathTo[] = {
    {},
    {},
    {kNext},
    {"pick ModifyOp; click NextBtn"},
    {kNext, kNext},
    {kNext, "pick MulCreate; click NextBtn"},
    {"pick ModifyOp; click NextBtn", kNext},
    {"pick BrowseOp; click NextBtn"},
};

class WizardEndingOnPage : public WizardTest, public ::testing::WithParamInterface<int> {
protected:
    void endWith(const std::string& last)
    {
        script(kPathTo[GetParam()]);
        script({last});
        run();
        EXPECT_EQ(toolkit.shownForms.size(), kPathTo[GetParam()].size() + 1) << "the wizard ends there";
    }
};

TEST_P(WizardEndingOnPage, FinishWritesTheWorkingCopyBackExceptOnTheStartPage)
{
    endWith("mark; click FinishBtn");
    EXPECT_EQ(host.TraceOutput, GetParam() == 1 ? 0 : 1);
}

TEST_P(WizardEndingOnPage, CloseBoxEndsWithoutWriting)
{
    const OstrevanePDB before = host;
    endWith("mark; close");
    EXPECT_TRUE(sameBlock(host, before));
}

INSTANTIATE_TEST_SUITE_P(Pages, WizardEndingOnPage, ::testing::Range(1, 8));

TEST_F(WizardTest, FinishOnTheStartPageLeavesTheHostBlockOnlyCleaned)
{
    // An entry whose name does not match its type is cleared in the host's block
    // before the pages open; nothing else is written.
    host = blockWith({{3, 0}, {5, 1}});
    pdb::setTypeName(host.Devices[5], "stale");
    OstrevanePDB expected = host;
    expected.Devices[5].DeviceType = OSTREVANE_NO_DEVICE;
    expected.Devices[5].TypeName[0] = 0;
    script({"mark; click FinishBtn"});
    EXPECT_EQ(run(), 1u) << "the cleaned entry counts as a change";
    EXPECT_TRUE(sameBlock(host, expected));
}

TEST_F(WizardTest, FinishOnTheSingleDevicePageBeforeNextKeepsTheOldTableWithTheNewMode)
{
    host = blockWith({{3, 0}, {5, 1}});
    host.CreateMode = 1;
    script({kNext, kNext, "type IDEd 9; click FinishBtn"});
    run();
    EXPECT_EQ(devicesInUse(host), (std::vector<int>{3, 5}));
    EXPECT_EQ(host.CreateMode, 0);
}

TEST_F(WizardTest, SeveralDevicesAreStoredAsTheCreationMode)
{
    script({kNext, "pick MulCreate; click NextBtn", "click FinishBtn"});
    run();
    EXPECT_EQ(host.CreateMode, 1);
}

// Every run starts its Back history afresh: twenty runs that go forward and back
// never outgrow it, and Back in the last run still retraces that run's path.
TEST_F(WizardTest, RepeatedRunsKeepTheirOwnHistory)
{
    for (int runNo = 0; runNo < 20; ++runNo) {
        toolkit.shownForms.clear();
        script({kNext, kNext, kNext, kNext, "click LastBtn", kNext, "click FinishBtn"});
        run();
        ASSERT_EQ(shownForms(), "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm TStep4Frm TEndFrm") << runNo;
        ASSERT_LE(wizard::state().WizardDepth, wizard::kHistorySize);
    }
    toolkit.shownForms.clear();
    script({kNext, kNext, kNext, kNext, "click LastBtn", "click LastBtn", "click LastBtn", "click LastBtn", ""});
    run();
    EXPECT_EQ(shownForms(),
              "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm TStep4Frm TStep11Frm TStep1Frm TStartFrm");
}

TEST_F(WizardTest, HostEntryRunsThePagesOverTheHostWindow)
{
    uintptr_t windowDuringRun = 0;
    toolkit.setMainWindow(0x51);
    toolkit.queue([&](ui::Form& form) {
        windowDuringRun = toolkit.mainWindow();
        ui::headless::click(form, "NextBtn");
    });
    script({"click FinishBtn"});
    EXPECT_EQ(DLLEdDev(0x1234, &host), 1u);
    EXPECT_EQ(windowDuringRun, 0x1234u);
    EXPECT_EQ(toolkit.mainWindow(), 0x51u) << "the host's own main window is restored";
    EXPECT_EQ(shownForms(), "TStartFrm TStep1Frm");
    EXPECT_EQ(DLLEdDev(0, &host), 2u) << "nobody at the window: the start page just closes";
}

TEST_F(WizardTest, VersionInformationOverTheHiddenPageThenTheHelpFileWhenThereIsOne)
{
    testing_support::TempFolder folder;
    const std::string savedFolder = driver::process().hostVersion.hostFolder;
    driver::process().hostVersion.hostFolder = folder.path() + "/";
    bool visibleAfter = false;
    toolkit.queue([&](ui::Form& form) {
        ui::headless::click(form, "VersionBtn");
        visibleAfter = form.visible();
    });
    run();
    ASSERT_TRUE(platform::createFolders(folder.file("help")));
    const std::string helpFile = folder.file("help/Ostrevane仪表.chm");
    ASSERT_TRUE(platform::touchFile(helpFile));
    script({"click VersionBtn"});
    run();
    driver::process().hostVersion.hostFolder = savedFolder;

    ASSERT_EQ(toolkit.messages.size(), 2u);
    const ui::headless::Message& message = toolkit.messages[0];
    EXPECT_EQ(message.text, "Ostrevane仪表通讯驱动程序β版\r\n版本3.11.0.3\r\n\r\nOstrevane仪表");
    EXPECT_EQ(message.caption, "Ostrevane仪表");
    EXPECT_EQ(message.kind, ui::MessageKind::Information);
    EXPECT_EQ(message.shownOver, "TStartFrm");
    EXPECT_FALSE(message.formVisible);
    EXPECT_TRUE(visibleAfter);
    EXPECT_EQ(toolkit.commands, std::vector<std::string>{"hh " + helpFile}) << "only the run with the help file";
}

TEST_F(WizardTest, DebugSettingsOpenOverTheStartPageWhichStaysOpen)
{
    ui::Form* startPage = nullptr;
    bool hiddenMeanwhile = false;
    bool visibleAfter = false;
    toolkit.queue([&](ui::Form& form) {
        startPage = &form;
        ui::headless::click(form, "DebugBtn");
        visibleAfter = form.visible();
        ui::headless::click(form, "NextBtn");
    });
    toolkit.queue([&](ui::Form&) { hiddenMeanwhile = !startPage->visible(); });
    script({"close", "click DebugBtn; close", ""});
    EXPECT_EQ(run(), 1u);
    EXPECT_TRUE(hiddenMeanwhile);
    EXPECT_TRUE(visibleAfter);
    toolkit.shownForms.clear();
    EXPECT_EQ(run(), 2u) << "closing the start page after the debug page ends the wizard";
    EXPECT_EQ(shownForms(), "TStartFrm TDebugFrm");
}

}  // namespace
}  // namespace wizard_testing
