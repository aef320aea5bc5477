#include "diagnostics/DLLDebug.h"

#include <functional>
#include <string_view>

#include "diagnostics/DiagnosticsTexts.h"
#include "framework/DLLLog.h"
#include "framework/Guard.h"
#include "framework/PDB.h"
#include "platform/files.h"
#include "sysinfo/version_info.h"
#include "wizard/Wizard.h"

namespace diagnostics {

namespace {

constexpr std::string_view kClass = "TDebugFrm";

constexpr const char* kIdleStatus = texts::diagnostics::IdleStatus;
constexpr const char* kLoadingStatus = texts::diagnostics::LoadingStatus;
constexpr const char* kSwitchedOffStatus = texts::diagnostics::SwitchedOffStatus;
constexpr const char* kWarning = texts::diagnostics::DebugWarning;

constexpr int kLoadBarMaximum = 10;
constexpr uint32_t kLoadDelay = 500;      // ms after the switch went on
constexpr uint32_t kAnimationStep = 100;  // ms

bool isLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// One line as a window can show it: whole GBK characters, no NUL.
std::string displayable(std::string_view line)
{
    std::string shown;
    shown.reserve(line.size());
    for (size_t at = 0; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        if (isLeadByte(byte) && at + 1 < line.size() && isTrailByte(static_cast<unsigned char>(line[at + 1]))) {
            shown.append(line.substr(at, 2));
            ++at;
        } else if (byte == 0 || byte >= 0x80) {
            shown.push_back('?');
        } else {
            shown.push_back(static_cast<char>(byte));
        }
    }
    return shown;
}

// The folder part of a path, empty when it has none.
std::string folderOf(const std::string& path)
{
    for (size_t at = path.size(); at > 0; --at) {
        if (platform::isPathSeparator(path[at - 1])) return path.substr(0, at - 1);
    }
    return {};
}

}  // namespace

std::vector<std::string> logLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(displayable(std::string_view(bytes).substr(start)));
            break;
        }
        lines.push_back(displayable(std::string_view(bytes).substr(start, end - start)));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string fileText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

TDebugFrm::TDebugFrm()
{
    className = "TDebugFrm";
    buildControls();

    warningShown_ = false;
    Timer1->setEnabled(false);
    LoadBar->setVisible(false);
    const OstrevanePDB& working = wizard::state().WizardPDB;
    // A box ticked here runs its click action as the engineer's tick would; the page
    // is not shown yet, so switching on here loads the log without the warning.
    if (working.DebugSwitch) {
        EnDebugChk->setChecked(true);
        EnDebugChk->OnClick();
    }
    if (working.ErrorOutput) {
        ErrorChk->setChecked(true);
        ErrorChk->OnClick();
    }
    if (working.TraceOutput) {
        TraceChk->setChecked(true);
        TraceChk->OnClick();
    }
    applyEnableRule();
}

void TDebugFrm::buildControls()
{
    frame_ = wizard::buildPageFrame(*this, texts::diagnostics::DebugPageTitle, kIdleStatus, "Label2");
    Label2 = frame_.instruction;

    LoadBar = &add(ui::ControlKind::ProgressBar, "LoadBar", {340, 10, 120, 14}, frame_.titleBand);
    LoadBar->setRange(0, kLoadBarMaximum);

    ui::Control* body = frame_.body;
    EnDebugChk = &add(ui::ControlKind::CheckBox, "EnDebugChk", {10, 10, 100, 17}, body);
    EnDebugChk->setCaption(texts::diagnostics::DebugSwitch);
    TraceChk = &add(ui::ControlKind::CheckBox, "TraceChk", {130, 10, 120, 17}, body);
    TraceChk->setCaption(texts::diagnostics::TraceOutput);
    ErrorChk = &add(ui::ControlKind::CheckBox, "ErrorChk", {270, 10, 120, 17}, body);
    ErrorChk->setCaption(texts::diagnostics::ErrorOutput);

    LogMemo = &add(ui::ControlKind::Memo, "LogMemo", {10, 38, 454, 190}, body);
    LogMemo->scrollBars = true;

    PrnBtn = &wizard::addButton(*this, frame_, "PrnBtn", texts::diagnostics::Print, {64, 244, 75, 25});
    SaveBtn = &wizard::addButton(*this, frame_, "SaveBtn", texts::diagnostics::SaveAs, {144, 244, 75, 25});
    SpeedButton1 =
        &wizard::addButton(*this, frame_, "SpeedButton1", texts::diagnostics::SaveChanges, {224, 244, 75, 25});
    FinishBtn = &wizard::addButton(*this, frame_, "FinishBtn", texts::diagnostics::Finish, wizard::kFinishBtnBounds);

    Timer1 = &addTimer("Timer1", kLoadDelay);
    Timer2 = &addTimer("Timer2", kAnimationStep);

    // No failure of a handler may reach the toolkit's message loop.
    auto guarded = [this](std::string_view method, void (TDebugFrm::*handler)()) {
        return std::function<void()>(
            [this, method, handler] { guard::run(kClass, method, [&] { (this->*handler)(); }); });
    };
    EnDebugChk->OnClick = guarded("EnDebugChkClick", &TDebugFrm::EnDebugChkClick);
    ErrorChk->OnClick = guarded("ErrorChkClick", &TDebugFrm::ErrorChkClick);
    TraceChk->OnClick = guarded("TraceChkClick", &TDebugFrm::TraceChkClick);
    PrnBtn->OnClick = guarded("PrnBtnClick", &TDebugFrm::PrnBtnClick);
    SaveBtn->OnClick = guarded("SaveBtnClick", &TDebugFrm::SaveBtnClick);
    SpeedButton1->OnClick = guarded("SpeedButton1Click", &TDebugFrm::SpeedButton1Click);
    FinishBtn->OnClick = guarded("FinishBtnClick", &TDebugFrm::FinishBtnClick);
    Timer1->OnTimer = guarded("Timer1Timer", &TDebugFrm::Timer1Timer);
    Timer2->OnTimer = guarded("Timer2Timer", &TDebugFrm::Timer2Timer);
}

void TDebugFrm::EnDebugChkClick()
{
    const bool on = EnDebugChk->checked();
    wizard::state().WizardPDB.DebugSwitch = on ? 1 : 0;
    Timer1->setEnabled(on);
    if (on) {
        LoadBar->setVisible(true);
        Timer2->setEnabled(true);
        Label2->setCaption(kLoadingStatus);
        if (!warningShown_ && visible()) {
            warningShown_ = true;
            tell(kWarning);
        }
    } else {
        LoadBar->setVisible(false);
        Timer2->setEnabled(false);
        Label2->setCaption(kSwitchedOffStatus);
    }
    applyEnableRule();
}

void TDebugFrm::ErrorChkClick() { wizard::state().WizardPDB.ErrorOutput = ErrorChk->checked() ? 1 : 0; }

void TDebugFrm::TraceChkClick() { wizard::state().WizardPDB.TraceOutput = TraceChk->checked() ? 1 : 0; }

void TDebugFrm::applyEnableRule()
{
    const bool on = EnDebugChk->checked();
    for (ui::Control* control : {LogMemo, TraceChk, ErrorChk, PrnBtn, SaveBtn, SpeedButton1}) control->setEnabled(on);
    if (on) return;
    OstrevanePDB& working = wizard::state().WizardPDB;
    working.ErrorOutput = 0;
    working.TraceOutput = 0;
    ErrorChk->setChecked(false);
    TraceChk->setChecked(false);
    LogMemo->setLines({});
    partialView_ = false;
}

void TDebugFrm::Timer1Timer()
{
    const std::string path = logfile::LogFileName();
    std::string bytes;
    uint64_t skipped = 0;
    // A log that is missing or cannot be read leaves the text as it was.
    if (platform::fileExists(path) && platform::readFileTail(path, kLogViewLimit, bytes, skipped)) {
        std::vector<std::string> lines;
        if (skipped > 0) {
            lines.push_back(texts::diagnostics::LogCutStart + std::to_string(skipped + bytes.size()) +
                            texts::diagnostics::LogCutEnd);
            // The cut fell inside a line: begin with the first whole one.
            const size_t firstBreak = bytes.find('\n');
            bytes.erase(0, firstBreak == std::string::npos ? bytes.size() : firstBreak + 1);
        }
        for (std::string& line : logLines(bytes)) lines.push_back(std::move(line));
        LogMemo->setLines(std::move(lines));
        partialView_ = skipped > 0;
    }
    Label2->setCaption(kIdleStatus);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    LoadBar->setVisible(false);
}

void TDebugFrm::Timer2Timer()
{
    int next = LoadBar->position() + 1;
    if (next >= LoadBar->maximum()) next = (LoadBar->minimum() + LoadBar->maximum()) / 2;
    LoadBar->setPosition(next);
}

void TDebugFrm::SaveBtnClick()
{
    std::string path;
    if (!ui::toolkit().saveDialog(SaveDialog1, path)) return;
    if (!platform::rewriteFile(path, fileText(LogMemo->lines()))) {
        tell(texts::diagnostics::FilePrefix + path + texts::diagnostics::FileNotWritten);
    }
}

void TDebugFrm::SpeedButton1Click()
{
    const std::vector<std::string>& lines = LogMemo->lines();
    // Writing back the newest part alone would throw the rest of the log away; an
    // emptied text is a plain wish to clear the log.
    if (partialView_ && !lines.empty()) {
        tell(texts::diagnostics::PartialViewNotSaved);
        return;
    }
    const std::string path = logfile::LogFileName();
    const std::string folder = folderOf(path);
    if (!folder.empty()) platform::createFolders(folder);
    if (!platform::rewriteFile(path, fileText(lines))) {
        tell(texts::diagnostics::LogFilePrefix + path + texts::diagnostics::LogNotWritten);
    }
}

void TDebugFrm::PrnBtnClick() { ui::toolkit().printLines(LogMemo->lines(), *LogMemo); }

void TDebugFrm::FinishBtnClick()
{
    wizard::WizardState& wizardState = wizard::state();
    wizardState.WizardChanged = true;
    if (wizardState.hostPDB) pdb::CopyPDB(wizardState.WizardPDB, *wizardState.hostPDB);
    Close();
}

void TDebugFrm::tell(const std::string& text)
{
    ui::toolkit().messageBox(text, systeminfo::DeviceName(), ui::MessageKind::Information);
}

}  // namespace diagnostics
