// The page flow: which page follows which, what Finish and the close box leave in the host's block.
#include <cstring>

#include "wizard_harness.h"

namespace wizard_testing {
namespace {

bool sameBlock(const OstrevanePDB& a, const OstrevanePDB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const std::string kNext = "click NextBtn", kBack = "click LastBtn", kFinish = "click FinishBtn";
const std::string kModify = "click ModifyOp; click NextBtn", kSeveral = "click MulCreate; click NextBtn";
const std::string kBrowse = "click BrowseOp; click NextBtn";

struct PathCase {
    std::vector<std::string> pages;  // one script per page shown
    const char* shown;
    uint32_t result;
};

TEST_F(WizardTest, PathsShowThePagesInOrderAndReportAChange)
{
    // clang-format off
    const PathCase paths[] = {
        {{kNext, kNext, kNext, kNext, kFinish}, "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm", 1},
        {{kNext, kSeveral, kNext, kNext, kFinish}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TEndFrm", 1},
        {{kModify, kNext, kNext, kFinish}, "TStartFrm TStep2Frm TStep4Frm TEndFrm", 2},
        {{kBrowse, kFinish}, "TStartFrm TEndFrm", 2},
        {{kNext, kSeveral, kNext, kBack, ""}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TStep12Frm", 1},
        {{kModify, kNext, kBack, ""}, "TStartFrm TStep2Frm TStep4Frm TStep2Frm", 2},
        {{kBrowse, kBack, ""}, "TStartFrm TEndFrm TStartFrm", 2},
        {{kNext, kFinish}, "TStartFrm TStep1Frm", 1},  // a new table counts as a change
        {{"dbl NewOp", ""}, "TStartFrm TStep1Frm", 1},
        {{"click ModifyOp; dbl ModifyOp", ""}, "TStartFrm TStep2Frm", 2},
        {{"click BrowseOp; dbl BrowseOp", ""}, "TStartFrm TEndFrm", 2},
        {{kNext, "dbl SingleCreate", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
        {{kNext, "click MulCreate; dbl MulCreate", ""}, "TStartFrm TStep1Frm TStep12Frm", 1},
        {{kNext, "dbl BodyPanel", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
        // Last: the runs before did not leave their pages in the Back history.
        {{kNext, kNext, kNext, kNext, kBack, kBack, kBack, kBack, ""},
         "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm TStep4Frm TStep11Frm TStep1Frm TStartFrm", 1},
    };
    // clang-format on
    for (const PathCase& path : paths) {
        SetUp();
        script(path.pages);
        EXPECT_EQ(run(), path.result) << path.shown;
        EXPECT_EQ(shownForms(), path.shown);
        EXPECT_EQ(toolkit.pendingSteps(), 0u);
    }
}

TEST_F(WizardTest, FinishWritesTheWorkingCopyBackExceptOnTheStartPageTheCloseBoxNever)
{
    const std::vector<std::string> pathTo[] = {
        {}, {kNext}, {kModify}, {kNext, kNext}, {kNext, kSeveral}, {kModify, kNext}, {kBrowse}};
    for (int page = 1; page <= 7; ++page) {
        for (const std::string& last : {"mark; " + kFinish, std::string("mark; close")}) {
            SetUp();
            const OstrevanePDB before = host;
            script(pathTo[page - 1]);
            script({last});
            run();
            EXPECT_EQ(toolkit.shownForms.size(), pathTo[page - 1].size() + 1) << "the wizard ends there";
            EXPECT_EQ(host.TraceOutput == 1, page != 1 && last.find("Finish") != std::string::npos) << page << last;
            EXPECT_TRUE(host.TraceOutput == 1 || sameBlock(host, before)) << page << last;
        }
    }
    // A name that does not match its type is cleared in the host's block even so.
    host = blockWith({{3, 0}, {5, 1}});
    pdb::setTypeName(host.Devices[5], "stale");
    OstrevanePDB expected = host;
    expected.Devices[5].DeviceType = OSTREVANE_NO_DEVICE;
    expected.Devices[5].TypeName[0] = 0;
    script({"mark; " + kFinish});
    EXPECT_EQ(run(), 1u) << "the cleaned entry counts as a change";
    EXPECT_TRUE(sameBlock(host, expected));
}

TEST_F(WizardTest, FinishStoresTheCreationModeAndBeforeNextOnPage4KeepsTheOldTable)
{
    const std::pair<std::vector<std::string>, uint8_t> cases[] = {{{kNext, kNext, "type IDEd 9; " + kFinish}, 0},
                                                                  {{kNext, kSeveral, kFinish}, 1}};
    for (const auto& [pages, mode] : cases) {
        host = blockWith({{3, 0}, {5, 1}});
        host.CreateMode = 1 - mode;
        script(pages);
        run();
        EXPECT_EQ(devicesInUse(host), (std::vector<int>{3, 5}));
        EXPECT_EQ(host.CreateMode, mode);
    }
}

// A history longer than it holds drops its oldest page.
TEST_F(WizardTest, BackHistoryDropsItsOldestPage)
{
    wizard::WizardState state;
    for (uint8_t page = 1; page <= wizard::kHistorySize + 2; ++page) state.pushHistory(page);
    for (int page = wizard::kHistorySize + 2; page > 2; --page) EXPECT_EQ(state.popHistory(), page);
    EXPECT_EQ(state.popHistory(), wizard::kStartPage);
}

}  // namespace
}  // namespace wizard_testing
