#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/DLLDebug.h"
#include "driver/DLLMain.h"
#include "framework/DLLLog.h"
#include "platform/files.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/Wizard.h"

using diagnostics::TDebugFrm;
using testing_support::defaultPDB;
using testing_support::LogRedirect;
using testing_support::TempFolder;
using ui::headless::click;
using ui::headless::closeBox;
using ui::headless::control;
using ui::headless::fireTimer;
using ui::headless::HeadlessToolkit;
using ui::headless::ScopedToolkit;

namespace {

constexpr const char* kIdleStatus = "调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！";
constexpr const char* kLoadingStatus = "正在调入记录文件...";
constexpr const char* kSwitchedOffStatus = "打开调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！";
constexpr const char* kWarning =
    "！注意：调试对性能将产生不良影响，只有出现故障时才打开调试开关。\r\n"
    "调试和查看完设备运行信息后，请及时关闭调试开关。\r\n\r\n"
    "改动过调试开关后，需要退出向导，单击开发环境的保存工程按钮，调试功能才会生效。\r\n\r\n"
    "您可以编辑窗口中的内容，单击保存修改按钮保存窗口中的内容。\r\n"
    "或者单击另存为按钮，将窗口中的内容保存为文件，便于以后在系统外查看。";

using Lines = std::vector<std::string>;

class DebugPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        wizard::WizardState& wizardState = wizard::state();
        wizardState.WizardPDB = defaultPDB();
        wizardState.hostPDB = nullptr;
        wizardState.WizardChanged = false;
    }
    void TearDown() override { wizard::state().hostPDB = nullptr; }

    OstrevanePDB& working() { return wizard::state().WizardPDB; }
    void writeLog(const std::string& bytes)
    {
        platform::createFolders(log.folder() + "/Debug");
        ASSERT_TRUE(platform::rewriteFile(log.path(), bytes));
    }
    // The load timer's interval has passed.
    void loadLog(TDebugFrm& page) { fireTimer(page, "Timer1"); }
    // Shows the page modally; `step` acts as the engineer while it is shown.
    void show(TDebugFrm& page, HeadlessToolkit::Step step)
    {
        toolkit.queue(std::move(step));
        page.ShowModal();
    }

    LogRedirect log;
    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
};

}  // namespace

TEST_F(DebugPage, ShowsItsControlsWithTheirTexts)
{
    TDebugFrm page;
    EXPECT_EQ(page.caption(), driver::DeviceName() + "向导：设置调试选项");
    EXPECT_EQ(page.clientWidth, 475);
    EXPECT_EQ(page.clientHeight, 333);
    EXPECT_TRUE(page.centred);
    struct Expected {
        const char* name;
        ui::ControlKind kind;
        std::string caption;
    };
    const Expected expected[] = {
        {"EnDebugChk", ui::ControlKind::CheckBox, "调试开关"},
        {"TraceChk", ui::ControlKind::CheckBox, "输出跟踪信息"},
        {"ErrorChk", ui::ControlKind::CheckBox, "输出错误信息"},
        {"PrnBtn", ui::ControlKind::Button, "打印"},
        {"SaveBtn", ui::ControlKind::Button, "另存为"},
        {"SpeedButton1", ui::ControlKind::Button, "保存修改"},
        {"FinishBtn", ui::ControlKind::Button, "完成"},
        {"Label2", ui::ControlKind::Label, kIdleStatus},
        {"TitleLbl", ui::ControlKind::Label, "欢迎使用" + driver::DeviceName() + "配置向导"},
    };
    for (const Expected& item : expected) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(control(page, item.name).kind(), item.kind);
        EXPECT_EQ(control(page, item.name).caption(), item.caption);
    }
    const ui::Control& memo = control(page, "LogMemo");
    EXPECT_EQ(memo.kind(), ui::ControlKind::Memo);
    EXPECT_EQ(memo.bounds.width, 454);
    EXPECT_EQ(memo.bounds.height, 190);
    EXPECT_TRUE(memo.scrollBars);
    // Label2 and LoadBar sit in the white title band.
    const ui::Control* titleBand = control(page, "TitleLbl").parent();
    EXPECT_EQ(control(page, "Label2").parent(), titleBand);
    const ui::Control& bar = control(page, "LoadBar");
    EXPECT_EQ(bar.parent(), titleBand);
    EXPECT_EQ(bar.kind(), ui::ControlKind::ProgressBar);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 10);
    EXPECT_FALSE(bar.visible());
    EXPECT_EQ(page.findTimer("Timer1")->interval(), 500u);
    EXPECT_EQ(page.findTimer("Timer2")->interval(), 100u);
    EXPECT_FALSE(page.findTimer("Timer1")->enabled());
}

TEST_F(DebugPage, OpeningTicksTheBoxesOfTheWorkingCopyAndAppliesTheEnableRule)
{
    struct Case {
        uint8_t debug, error, trace;
        // What the working copy and the boxes show afterwards.
        uint8_t errorAfter, traceAfter;
        bool loading;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, false},
        // Without the debug switch the output switches are cleared.
        {0, 1, 1, 0, 0, false},
        {1, 0, 0, 0, 0, true},
        {1, 1, 0, 1, 0, true},
        {1, 0, 1, 0, 1, true},
        {1, 1, 1, 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.debug) << int(c.error) << int(c.trace));
        working().DebugSwitch = c.debug;
        working().ErrorOutput = c.error;
        working().TraceOutput = c.trace;
        TDebugFrm page;
        EXPECT_EQ(working().DebugSwitch, c.debug);
        EXPECT_EQ(working().ErrorOutput, c.errorAfter);
        EXPECT_EQ(working().TraceOutput, c.traceAfter);
        EXPECT_EQ(control(page, "EnDebugChk").checked(), c.debug != 0);
        EXPECT_EQ(control(page, "ErrorChk").checked(), c.errorAfter != 0);
        EXPECT_EQ(control(page, "TraceChk").checked(), c.traceAfter != 0);
        for (const char* name : {"LogMemo", "TraceChk", "ErrorChk", "PrnBtn", "SaveBtn", "SpeedButton1"})
            EXPECT_EQ(control(page, name).enabled(), c.debug != 0) << name;
        EXPECT_TRUE(control(page, "FinishBtn").enabled());
        EXPECT_EQ(page.findTimer("Timer1")->enabled(), c.loading);
        EXPECT_EQ(page.findTimer("Timer2")->enabled(), c.loading);
        EXPECT_EQ(control(page, "LoadBar").visible(), c.loading);
        EXPECT_EQ(control(page, "Label2").caption(), c.loading ? kLoadingStatus : kIdleStatus);
    }
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(DebugPage, SwitchingDebugOffClearsTheOutputsAndTheText)
{
    working().DebugSwitch = 1;
    working().ErrorOutput = 1;
    working().TraceOutput = 1;
    writeLog("第一行\r\n");
    TDebugFrm page;
    loadLog(page);
    ASSERT_EQ(control(page, "LogMemo").lines(), Lines{"第一行"});

    click(page, "EnDebugChk");
    EXPECT_EQ(working().DebugSwitch, 0);
    EXPECT_EQ(working().ErrorOutput, 0);
    EXPECT_EQ(working().TraceOutput, 0);
    EXPECT_FALSE(control(page, "ErrorChk").checked());
    EXPECT_FALSE(control(page, "TraceChk").checked());
    EXPECT_TRUE(control(page, "LogMemo").lines().empty());
    EXPECT_FALSE(control(page, "LogMemo").enabled());
    EXPECT_EQ(control(page, "Label2").caption(), kSwitchedOffStatus);
    EXPECT_FALSE(page.findTimer("Timer1")->enabled());
    EXPECT_FALSE(page.findTimer("Timer2")->enabled());
    EXPECT_FALSE(control(page, "LoadBar").visible());
    // The log file itself is untouched.
    EXPECT_EQ(log.content(), "第一行\r\n");
}

TEST_F(DebugPage, WarnsOncePerOpeningOnTheFirstSwitchOnWhileShown)
{
    for (uint8_t openedWith : {0, 1}) {
        SCOPED_TRACE(int(openedWith));
        toolkit.messages.clear();
        working().DebugSwitch = openedWith;
        TDebugFrm page;
        EXPECT_TRUE(toolkit.messages.empty());  // not shown yet
        show(page, [&](ui::Form& form) {
            if (openedWith) click(form, "EnDebugChk");  // off first
            click(form, "EnDebugChk");
            click(form, "EnDebugChk");
            click(form, "EnDebugChk");
        });
        ASSERT_EQ(toolkit.messages.size(), 1u);
        const ui::headless::Message& warning = toolkit.messages[0];
        EXPECT_EQ(warning.text, kWarning);
        EXPECT_EQ(warning.caption, driver::DeviceName());
        EXPECT_EQ(warning.kind, ui::MessageKind::Information);
        EXPECT_EQ(warning.shownOver, "TDebugFrm");
        EXPECT_TRUE(warning.formVisible);
    }
}

TEST_F(DebugPage, OpeningWithTheSwitchOnLoadsTheLogWhenTheLoadTimerFires)
{
    writeLog("2026-12-06 10:30:15：启动驱动程序Ostrevane仪表  ...\r\n第二行\n第三行");
    working().DebugSwitch = 1;
    TDebugFrm page;
    show(page, [&](ui::Form& form) {
        EXPECT_TRUE(control(form, "LogMemo").lines().empty());
        fireTimer(form, "Timer1");
    });
    EXPECT_EQ(control(page, "LogMemo").lines(),
              (Lines{"2026-12-06 10:30:15：启动驱动程序Ostrevane仪表  ...", "第二行", "第三行"}));
    EXPECT_EQ(control(page, "Label2").caption(), kIdleStatus);
    EXPECT_FALSE(page.findTimer("Timer1")->enabled());
    EXPECT_FALSE(page.findTimer("Timer2")->enabled());
    EXPECT_FALSE(control(page, "LoadBar").visible());
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(DebugPage, AMissingLogLeavesTheTextAsItWas)
{
    working().DebugSwitch = 1;
    TDebugFrm page;
    loadLog(page);
    EXPECT_TRUE(control(page, "LogMemo").lines().empty());

    ui::headless::type(page, "LogMemo", "自己写的\r\n");
    click(page, "EnDebugChk");
    click(page, "EnDebugChk");  // text cleared by switching off
    ui::headless::type(page, "LogMemo", "自己写的\r\n");
    fireTimer(page, "Timer1");
    EXPECT_EQ(control(page, "LogMemo").lines(), Lines{"自己写的"});
    EXPECT_EQ(control(page, "Label2").caption(), kIdleStatus);
    EXPECT_FALSE(control(page, "LoadBar").visible());
}

TEST_F(DebugPage, LoadBarCountsToTenAndFallsBackToFive)
{
    working().DebugSwitch = 1;
    TDebugFrm page;
    std::vector<int> positions;
    for (int tick = 0; tick < 16; ++tick) {
        fireTimer(page, "Timer2");
        positions.push_back(control(page, "LoadBar").position());
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 5, 6, 7, 8, 9, 5, 6}));
    // Stopped with the load, the bar no longer moves.
    fireTimer(page, "Timer1");
    fireTimer(page, "Timer2");
    EXPECT_EQ(control(page, "LoadBar").position(), 6);
}

TEST_F(DebugPage, LogBytesBecomeLinesAWindowCanShow)
{
    struct Case {
        const char* what;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"every line break", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"final break adds no line", "a\r\n", {"a"}},
        {"empty lines kept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"empty file", "", {}},
        {"GBK characters kept", "仪表号\x02PV\x03", {"仪表号\x02PV\x03"}},
        {"NUL and 0xFF", std::string("a\0b\xFF", 4), {"a?b?"}},
        {"lead byte without its trail", "\xB1\r\n\xB1\x30", {"?", "?0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(diagnostics::logLines(c.bytes), c.lines);
    }
}

TEST_F(DebugPage, ALogTooLargeShowsItsNewestPartAndIsNotOverwrittenByIt)
{
    std::string bytes;
    int number = 0;
    while (bytes.size() <= TDebugFrm::kLogViewLimit) bytes += "记录" + std::to_string(number++) + "\r\n";
    writeLog(bytes);
    working().DebugSwitch = 1;
    TDebugFrm page;
    loadLog(page);
    const Lines& lines = control(page, "LogMemo").lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "……记录文件共" + std::to_string(bytes.size()) + "字节，太大，这里只显示它最后的部分……");
    EXPECT_EQ(lines[1].rfind("记录", 0), 0u);  // a whole line
    EXPECT_EQ(lines.back(), "记录" + std::to_string(number - 1));
    EXPECT_LE(diagnostics::fileText(lines).size(), TDebugFrm::kLogViewLimit + 200);

    // Writing the part back would lose the rest of the log: refused, with a word.
    click(page, "SpeedButton1");
    ASSERT_EQ(toolkit.messages.size(), 1u);
    EXPECT_EQ(log.content(), bytes);
    // An emptied text still clears the log.
    ui::headless::type(page, "LogMemo", "");
    click(page, "SpeedButton1");
    EXPECT_EQ(log.content(), "");
    EXPECT_EQ(toolkit.messages.size(), 1u);
}

TEST_F(DebugPage, SaveAsWritesTheTextWhenTheDialogIsConfirmed)
{
    TempFolder target;
    for (bool confirmed : {true, false}) {
        SCOPED_TRACE(confirmed);
        const std::string path = target.file(confirmed ? "confirmed.log" : "cancelled.log");
        working().DebugSwitch = 1;
        TDebugFrm page;
        ui::headless::type(page, "LogMemo", "一\r\n二");
        toolkit.queueSaveAnswer(confirmed ? std::optional<std::string>(path) : std::nullopt);
        click(page, "SaveBtn");
        std::string saved;
        EXPECT_EQ(platform::readWholeFile(path, saved), confirmed);
        if (confirmed) {
            EXPECT_EQ(saved, "一\r\n二\r\n");
        }
    }
    ASSERT_EQ(toolkit.saveRequests.size(), 2u);
    EXPECT_EQ(toolkit.saveRequests[0].defaultExtension, "Log");
    EXPECT_EQ(toolkit.saveRequests[0].filter, "调试日志文件|log");
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(DebugPage, TextThatCannotBeWrittenIsReported)
{
    TempFolder target;
    // A path below a plain file can be neither created nor written.
    ASSERT_TRUE(platform::rewriteFile(target.file("plain"), "x"));
    const std::string unwritable = target.file("plain") + "/sub/file.log";
    struct Case {
        const char* button;
        bool redirectLog;
    };
    const Case cases[] = {{"SaveBtn", false}, {"SpeedButton1", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        toolkit.messages.clear();
        working().DebugSwitch = 1;
        TDebugFrm page;
        ui::headless::type(page, "LogMemo", "一");
        if (c.redirectLog)
            logfile::setLogFileName(unwritable);
        else
            toolkit.queueSaveAnswer(unwritable);
        click(page, c.button);
        logfile::setLogFileName(log.path());
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_NE(toolkit.messages[0].text.find(unwritable), std::string::npos);
        EXPECT_EQ(toolkit.messages[0].caption, driver::DeviceName());
    }
}

TEST_F(DebugPage, SaveChangesReplacesTheLogWithTheText)
{
    struct Case {
        const char* what;
        bool logExists;  // without one, not even its folder exists yet
        std::string typed;
        std::string log;
    };
    const Case cases[] = {
        {"no log yet", false, "新的", "新的\r\n"},
        {"edited", true, "第一行\r\n改过的", "第一行\r\n改过的\r\n"},
        {"emptied", true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.logExists) writeLog("第一行\r\n第二行\r\n第三行\r\n");
        working().DebugSwitch = 1;
        TDebugFrm page;
        loadLog(page);
        ui::headless::type(page, "LogMemo", c.typed);
        click(page, "SpeedButton1");
        EXPECT_TRUE(platform::fileExists(log.path()));
        EXPECT_EQ(log.content(), c.log);
    }
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(DebugPage, PrintsTheLinesOnlyWhenThePrintDialogIsConfirmed)
{
    for (bool confirmed : {true, false}) {
        SCOPED_TRACE(confirmed);
        toolkit.printed.clear();
        toolkit.confirmPrint = confirmed;
        writeLog("一\r\n二\r\n");
        working().DebugSwitch = 1;
        TDebugFrm page;
        loadLog(page);
        click(page, "PrnBtn");
        if (confirmed) {
            ASSERT_EQ(toolkit.printed.size(), 1u);
            EXPECT_EQ(toolkit.printed[0], (Lines{"一", "二"}));
        } else {
            EXPECT_TRUE(toolkit.printed.empty());
        }
    }
}

TEST_F(DebugPage, FinishWritesTheWholeWorkingCopyToTheHostAndMarksItChanged)
{
    OstrevanePDB host = defaultPDB();
    wizard::state().hostPDB = &host;
    working().BaudCode = 9;  // changed on another page before
    TDebugFrm page;
    show(page, [&](ui::Form& form) {
        click(form, "EnDebugChk");
        click(form, "TraceChk");
        click(form, "FinishBtn");
        EXPECT_TRUE(form.closed());
    });
    EXPECT_TRUE(wizard::state().WizardChanged);
    EXPECT_EQ(host.DebugSwitch, 1);
    EXPECT_EQ(host.TraceOutput, 1);
    EXPECT_EQ(host.ErrorOutput, 0);
    EXPECT_EQ(host.BaudCode, 9);
}

TEST_F(DebugPage, TheCloseBoxKeepsTheChangesInTheWorkingCopyOnly)
{
    const OstrevanePDB original = defaultPDB();
    OstrevanePDB host = original;
    wizard::state().hostPDB = &host;
    TDebugFrm page;
    show(page, [&](ui::Form& form) {
        click(form, "EnDebugChk");
        click(form, "ErrorChk");
        closeBox(form);
    });
    EXPECT_EQ(working().DebugSwitch, 1);
    EXPECT_EQ(working().ErrorOutput, 1);
    EXPECT_FALSE(wizard::state().WizardChanged);
    EXPECT_EQ(std::memcmp(&host, &original, sizeof host), 0);
}
