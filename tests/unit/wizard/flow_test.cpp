// The page flow: which page follows which, what Finish and the close box leave in the host's block.
#include <cstring>

#include "platform/files.h"
#include "sysinfo/version_info.h"
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

const std::string kModify = "pick ModifyOp; click NextBtn", kSeveral = "pick MulCreate; click NextBtn";
const std::string kBrowse = "pick BrowseOp; click NextBtn";
// clang-format off
const PathCase kPaths[] = {
    {"NewSingle", {kNext, kNext, kNext, kNext, "click FinishBtn"}, "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm", 1},
    {"NewSeveral", {kNext, kSeveral, kNext, kNext, "click FinishBtn"}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TEndFrm", 1},
    {"Modify", {kModify, kNext, kNext, "click FinishBtn"}, "TStartFrm TStep2Frm TStep4Frm TEndFrm", 2},
    {"Browse", {kBrowse, "click FinishBtn"}, "TStartFrm TEndFrm", 2},
    {"BackToSingle", {kNext, kNext, kNext, "click LastBtn", ""}, "TStartFrm TStep1Frm TStep11Frm TStep4Frm TStep11Frm", 1},
    {"BackToSeveral", {kNext, kSeveral, kNext, "click LastBtn", ""}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TStep12Frm", 1},
    {"BackToModify", {kModify, kNext, "click LastBtn", ""}, "TStartFrm TStep2Frm TStep4Frm TStep2Frm", 2},
    {"BackFromBrowsing", {kBrowse, "click LastBtn", ""}, "TStartFrm TEndFrm TStartFrm", 2},
    {"NewThenFinishOnModePageCountsAsChanged", {kNext, "click FinishBtn"}, "TStartFrm TStep1Frm", 1},
    {"DoubleClickNewOp", {"dbl NewOp", ""}, "TStartFrm TStep1Frm", 1},
    {"DoubleClickModifyOp", {"pick ModifyOp; dbl ModifyOp", ""}, "TStartFrm TStep2Frm", 2},
    {"DoubleClickBrowseOp", {"pick BrowseOp; dbl BrowseOp", ""}, "TStartFrm TEndFrm", 2},
    {"DoubleClickSingleCreate", {kNext, "dbl SingleCreate", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
    {"DoubleClickMulCreate", {kNext, "pick MulCreate; dbl MulCreate", ""}, "TStartFrm TStep1Frm TStep12Frm", 1},
    {"DoubleClickEmptyArea", {kNext, "dbl BodyPanel", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Flow, WizardPaths, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

// The scripts that lead from the start page to a page, by page number.
const std::vector<std::string> kPathTo[] = {{}, {}, {kNext}, {kModify}, {kNext, kNext}, {kNext, kSeveral},
                                            {kModify, kNext}, {kBrowse}};

class WizardEndingOnPage : public WizardTest, public ::testing::WithParamInterface<int> {};

TEST_P(WizardEndingOnPage, FinishWritesTheWorkingCopyBackExceptOnTheStartPageTheCloseBoxNever)
{
    for (const char* last : {"mark; click FinishBtn", "mark; close"}) {
        SetUp();
        toolkit.shownForms.clear();
        const OstrevanePDB before = host;
        script(kPathTo[GetParam()]);
        script({last});
        run();
        EXPECT_EQ(toolkit.shownForms.size(), kPathTo[GetParam()].size() + 1) << "the wizard ends there";
        if (GetParam() != 1 && std::string(last).find("Finish") != std::string::npos) {
            EXPECT_EQ(host.TraceOutput, 1);
        } else {
            EXPECT_TRUE(sameBlock(host, before)) << last;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, WizardEndingOnPage, ::testing::Range(1, 8));

TEST_F(WizardTest, FinishOnTheStartPageLeavesTheHostBlockOnlyCleaned)
{
    // A name that does not match its type is cleared in the host's block; nothing else is written.
    host = blockWith({{3, 0}, {5, 1}});
    pdb::setTypeName(host.Devices[5], "stale");
    OstrevanePDB expected = host;
    expected.Devices[5].DeviceType = OSTREVANE_NO_DEVICE;
    expected.Devices[5].TypeName[0] = 0;
    script({"mark; click FinishBtn"});
    EXPECT_EQ(run(), 1u) << "the cleaned entry counts as a change";
    EXPECT_TRUE(sameBlock(host, expected));
}

TEST_F(WizardTest, FinishStoresTheCreationModeAndBeforeNextOnPage4KeepsTheOldTable)
{
    const std::pair<std::vector<std::string>, uint8_t> kCases[] = {
        {{kNext, kNext, "type IDEd 9; click FinishBtn"}, 0}, {{kNext, kSeveral, "click FinishBtn"}, 1}};
    for (const auto& [pages, mode] : kCases) {
        host = blockWith({{3, 0}, {5, 1}});
        host.CreateMode = 1 - mode;
        script(pages);
        run();
        EXPECT_EQ(devicesInUse(host), (std::vector<int>{3, 5}));
        EXPECT_EQ(host.CreateMode, mode);
    }
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
    const std::string kBack = "click LastBtn";
    script({kNext, kNext, kNext, kNext, kBack, kBack, kBack, kBack, ""});
    run();
    EXPECT_EQ(shownForms(), "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm TStep4Frm TStep11Frm TStep1Frm TStartFrm");
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
    const std::string savedFolder = systeminfo::processVersions().hostVersion.hostFolder;
    systeminfo::processVersions().hostVersion.hostFolder = folder.path() + "/";
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
    systeminfo::processVersions().hostVersion.hostFolder = savedFolder;
    ASSERT_EQ(toolkit.messages.size(), 2u);
    EXPECT_EQ(toolkit.messages[0].shownOver, "TStartFrm");
    EXPECT_FALSE(toolkit.messages[0].formVisible);
    EXPECT_TRUE(visibleAfter);
    EXPECT_EQ(toolkit.commands, std::vector<std::string>{"hh " + helpFile}) << "only the run with the help file";
}

TEST_F(WizardTest, DebugSettingsOpenOverTheStartPageWhichStaysOpen)
{
    ui::Form* startPage = nullptr;
    bool hiddenMeanwhile = false, visibleAfter = false;
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
