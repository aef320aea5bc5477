// What the debug page writes where; the device test.
#include <gtest/gtest.h>

#include <cstring>

#include "Ostrevane800.h"
#include "diagnostics/DLLDebug.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "platform/files.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/Wizard.h"

using diagnostics::TDebugFrm;
using namespace ui::headless;

namespace {

class DebugPage : public ::testing::Test {
protected:
    DebugPage()
    {
        working() = testing_support::defaultPDB();
        wizard::state().WizardChanged = false;
    }
    ~DebugPage() override { wizard::state().hostPDB = nullptr; }

    static OstrevanePDB& working() { return wizard::state().WizardPDB; }
    testing_support::LogRedirect log;
    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
};

// Switching on warns once per opening, and only while the page is shown.
TEST_F(DebugPage, FinishWritesTheWholeWorkingCopyToTheHostTheCloseBoxOnlyToTheWorkingCopy)
{
    for (bool finish : {true, false}) {
        toolkit.messages.clear();
        working() = testing_support::defaultPDB();
        const OstrevanePDB original = working();
        OstrevanePDB host = original;
        wizard::state().hostPDB = &host;
        wizard::state().WizardChanged = false;
        working().BaudCode = 9;  // changed on another page before
        working().DebugSwitch = finish ? 0 : 1;
        TDebugFrm page;
        click(page, "EnDebugChk");  // not shown yet: no warning
        click(page, "EnDebugChk");
        toolkit.queue([&](ui::Form& form) {
            if (!finish) click(form, "EnDebugChk");  // opened with the switch on: off first
            for (int i = 0; i < 3; ++i) click(form, "EnDebugChk");
            click(form, "TraceChk");
            finish ? click(form, "FinishBtn") : closeBox(form);
        });
        page.ShowModal();
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_TRUE(toolkit.messages[0].formVisible);
        EXPECT_EQ(toolkit.messages[0].text.rfind("！注意：调试对性能将产生不良影响", 0), 0u);
        EXPECT_EQ(working().DebugSwitch + working().TraceOutput, 2);
        EXPECT_EQ(wizard::state().WizardChanged, finish);
        EXPECT_EQ(std::memcmp(&host, finish ? &working() : &original, sizeof host), 0);
    }
}

// Only the newest part of a large log is shown: writing that back would lose the rest.
TEST_F(DebugPage, ALogTooLargeShowsItsNewestLinesAndIsNotWrittenBackCut)
{
    std::string bytes;
    for (int n = 0; bytes.size() <= TDebugFrm::kLogViewLimit; ++n) bytes += "记录" + std::to_string(n) + "\r\n";
    platform::createFolders(log.folder() + "/Debug");
    ASSERT_TRUE(platform::rewriteFile(log.path(), bytes));
    working().DebugSwitch = 1;
    TDebugFrm page;
    fireTimer(page, "Timer1");
    click(page, "SpeedButton1");
    EXPECT_EQ(toolkit.messages.size(), 1u);
    EXPECT_EQ(log.content(), bytes);
    type(page, "LogMemo", "");  // an emptied text is a wish to clear the log
    click(page, "SpeedButton1");
    EXPECT_EQ(log.content(), "");
}

// Testing a device from the host: a notice only, and the host's block stays as it was.
TEST_F(DebugPage, DeviceTestGivesANoticeOnceAndFalseWhateverTheOptionTheDeviceTableOrThePort)
{
    driver::libraryInitialise();
    testing_support::PseudoTerminal line{1};
    // An entry the driver's validation would clear, kept in the host's copy; no devices at all.
    for (int c = 0; c < 2; ++c) {
        toolkit.messages.clear();
        OstrevanePDB host = testing_support::defaultPDB();
        host.Devices[c == 0 ? 6 : 0].DeviceType = c == 0 ? 0 : 2;
        const OstrevanePDB original = host;
        EXPECT_EQ(DLLTestDev(&host, c), 0);
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_EQ(toolkit.messages[0].text, "暂时不支持测试功能！");
        EXPECT_EQ(std::memcmp(&host, &original, sizeof host), 0);
        EXPECT_EQ(driver::currentObject(), nullptr) << "the driver slot is empty again";
    }
    EXPECT_EQ(log.content().find("异常！"), std::string::npos);

    toolkit.messages.clear();  // no configuration: not a word
    EXPECT_EQ(DLLTestDev(nullptr, 1), 0);
    EXPECT_TRUE(toolkit.messages.empty());
    driver::detach();
}

}  // namespace
