// The debug page: its switches, the log it shows, and what it writes where.
#include <gtest/gtest.h>

#include <cstring>

#include "diagnostics/DLLDebug.h"
#include "framework/DLLLog.h"
#include "platform/files.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/Wizard.h"

using diagnostics::TDebugFrm;
using namespace ui::headless;
using Lines = std::vector<std::string>;

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
    // The page opened with the debug switch on over this log ("": none), after its load timer fired.
    std::unique_ptr<TDebugFrm> loadedPage(const std::string& bytes)
    {
        if (!bytes.empty()) platform::createFolders(log.folder() + "/Debug");
        if (!bytes.empty()) EXPECT_TRUE(platform::rewriteFile(log.path(), bytes));
        working().DebugSwitch = 1;
        auto page = std::make_unique<TDebugFrm>();
        fireTimer(*page, "Timer1");
        return page;
    }

    testing_support::LogRedirect log;
    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
};

TEST_F(DebugPage, OpeningShowsTheSwitchesAndEnablesTheRestOnlyWithDebugOn)
{
    // debug, error, trace before; error, trace afterwards (cleared without debug).
    const std::array<uint8_t, 5> cases[] = {{0, 1, 1, 0, 0}, {1, 1, 0, 1, 0}, {1, 0, 1, 0, 1}};
    for (const auto& [debug, error, trace, errorAfter, traceAfter] : cases) {
        std::tie(working().DebugSwitch, working().ErrorOutput, working().TraceOutput) = std::tie(debug, error, trace);
        TDebugFrm page;
        EXPECT_EQ(working().ErrorOutput + 2 * working().TraceOutput, errorAfter + 2 * traceAfter);
        EXPECT_EQ(control(page, "ErrorChk").checked() + 2 * control(page, "TraceChk").checked(),
                  errorAfter + 2 * traceAfter);
        EXPECT_EQ(control(page, "EnDebugChk").checked(), debug != 0);
        for (const char* name : {"LogMemo", "TraceChk", "ErrorChk", "PrnBtn", "SaveBtn", "SpeedButton1"})
            EXPECT_EQ(control(page, name).enabled(), debug != 0) << name;
        EXPECT_EQ(page.findTimer("Timer1")->enabled(), debug != 0);
    }
}

TEST_F(DebugPage, TheLoadTimerShowsTheLogAsLinesSwitchingOffClearsAllButTheLog)
{
    const std::string bytes = "2026-12-06 10:30:15：启动\r\n第二行\n第三行";
    auto page = loadedPage(bytes);
    EXPECT_EQ(control(*page, "LogMemo").lines(), (Lines{"2026-12-06 10:30:15：启动", "第二行", "第三行"}));
    working().ErrorOutput = working().TraceOutput = 1;
    click(*page, "EnDebugChk");
    EXPECT_EQ(working().DebugSwitch + working().ErrorOutput + working().TraceOutput, 0);
    EXPECT_TRUE(control(*page, "LogMemo").lines().empty());
    EXPECT_EQ(log.content(), bytes);
    EXPECT_TRUE(toolkit.messages.empty()) << "no warning while the page is not shown";
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\n\r\nb\rc\r\n", {"a", "", "b", "c"}},
        {"仪表号\x02PV\x03", {"仪表号\x02PV\x03"}},
        {std::string("a\0b\xFF", 4), {"a?b?"}},
        {"\xB1\r\n\xB1\x30", {"?", "?0"}},  // broken GBK
    };
    for (const auto& [bytes, lines] : cases) EXPECT_EQ(diagnostics::logLines(bytes), lines);
}

TEST_F(DebugPage, ALogTooLargeShowsItsNewestWholeLinesAndSaveChangesRefusesToWriteItBack)
{
    std::string bytes;
    int number = 0;
    while (bytes.size() <= TDebugFrm::kLogViewLimit) bytes += "记录" + std::to_string(number++) + "\r\n";
    auto page = loadedPage(bytes);
    const Lines& lines = control(*page, "LogMemo").lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("记录", 0), 0u);
    EXPECT_EQ(lines.back(), "记录" + std::to_string(number - 1));
    EXPECT_LE(diagnostics::fileText(lines).size(), TDebugFrm::kLogViewLimit + 200);
    click(*page, "SpeedButton1");
    EXPECT_EQ(toolkit.messages.size(), 1u);
    EXPECT_EQ(log.content(), bytes);
    type(*page, "LogMemo", "");  // an emptied text still clears the log
    click(*page, "SpeedButton1");
    EXPECT_EQ(log.content(), "");
}

TEST_F(DebugPage, SaveAsPrintAndSaveChangesWriteWhatIsShownAndReportWhatCannotBeWritten)
{
    testing_support::TempFolder target;
    for (bool confirmed : {true, false}) {
        const std::string path = target.file(confirmed ? "confirmed.log" : "cancelled.log");
        toolkit.confirmPrint = confirmed;
        auto page = loadedPage("一\r\n二");
        toolkit.queueSaveAnswer(confirmed ? std::optional<std::string>(path) : std::nullopt);
        click(*page, "SaveBtn");
        click(*page, "PrnBtn");
        std::string saved;
        EXPECT_EQ(platform::readWholeFile(path, saved), confirmed);
        EXPECT_EQ(saved, confirmed ? "一\r\n二\r\n" : "");
        EXPECT_EQ(toolkit.printed, (std::vector<Lines>{{"一", "二"}}));
    }
    // Without a log not even its folder exists.
    for (const std::string& before : {std::string(), std::string("第一行\r\n第二行\r\n")}) {
        auto page = loadedPage(before);
        type(*page, "LogMemo", "第一行\r\n改过的");
        click(*page, "SpeedButton1");
        EXPECT_EQ(log.content(), "第一行\r\n改过的\r\n");
    }
    EXPECT_TRUE(toolkit.messages.empty());

    ASSERT_TRUE(platform::rewriteFile(target.file("plain"), "x"));
    const std::string unwritable = target.file("plain") + "/sub/file.log";  // below a plain file
    for (const std::string button : {"SaveBtn", "SpeedButton1"}) {
        toolkit.messages.clear();
        auto page = loadedPage("");
        toolkit.queueSaveAnswer(unwritable);
        if (button == "SpeedButton1") logfile::setLogFileName(unwritable);
        click(*page, button);
        logfile::setLogFileName(log.path());
        ASSERT_EQ(toolkit.messages.size(), 1u) << button;
        EXPECT_NE(toolkit.messages[0].text.find(unwritable), std::string::npos) << button;
    }
}

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

}  // namespace
