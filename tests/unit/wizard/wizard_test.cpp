// The wizard driven headless: its page flow, what it leaves in the host's block, what the
// pages show and how their controls edit the working copy.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <tuple>

#include "Ostrevane800.h"
#include "definitions/DLLDef.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"
#include "wizard/DeviceList.h"
#include "wizard/Pages.h"
#include "wizard/SerialSummary.h"
#include "wizard/Wizard.h"

namespace {

using namespace ui::headless;
using Device = std::pair<int, uint8_t>;  // number, type

inline std::string joined(const std::vector<std::string>& texts, const char* separator = "|")
{
    std::string result;
    for (size_t i = 0; i < texts.size(); ++i) result += (i == 0 ? "" : separator) + texts[i];
    return result;
}

// The default block with exactly these devices; FirstDevice is the first of them.
inline OstrevanePDB blockWith(const std::vector<Device>& devices)
{
    OstrevanePDB block = testing_support::defaultPDB();
    for (DeviceEntry& entry : block.Devices) {
        entry.DeviceType = OSTREVANE_NO_DEVICE;
        pdb::setTypeName(entry, "");
    }
    for (const auto& [number, type] : devices) {
        block.Devices[number].DeviceType = type;
        pdb::setTypeName(block.Devices[number], std::string(def::DevTypes[type].name));
    }
    block.FirstDevice = devices.empty() ? 0 : static_cast<uint32_t>(devices.front().first);
    return block;
}

inline std::vector<int> devicesInUse(const OstrevanePDB& block)
{
    std::vector<int> numbers;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n)
        if (block.Devices[n].DeviceType != OSTREVANE_NO_DEVICE) numbers.push_back(n);
    return numbers;
}

inline std::string shownText(ui::Form& form, const std::string& what)
{
    std::vector<std::string> texts;
    for (const ui::TreeNode& node : control(form, what).nodes()) texts.push_back(node.text);
    return joined(texts);
}

inline OstrevanePDB& workingCopy() { return wizard::state().WizardPDB; }

// What the user does on one page, e.g. "click MulCreate; click NextBtn"; mark changes the
// working copy as the debug page would.
inline HeadlessToolkit::Step actions(const std::string& script)
{
    return [script](ui::Form& form) {
        std::istringstream steps(script);
        std::string step;
        while (std::getline(steps, step, ';')) {
            std::istringstream words(step);
            std::string verb, name, argument;
            words >> verb >> name >> argument;
            if (verb == "click") click(form, name);
            if (verb == "dbl") doubleClick(form, name);
            if (verb == "type") type(form, name, argument);
            if (verb == "select") select(form, name, std::stoi(argument));
            if (verb == "node") selectNode(form, name, std::stoi(argument));
            if (verb == "key") keyUp(form, name, std::stoi(argument));
            if (verb == "close") closeBox(form);
            if (verb == "mark") workingCopy().TraceOutput = 1;
        }
    };
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver::libraryInitialise();
        host = testing_support::defaultPDB();
        workingCopy() = host;
        wizard::state().WizardChanged = false;
        toolkit.shownForms.clear();
    }
    void script(const std::vector<std::string>& pages)
    {
        for (const std::string& page : pages) toolkit.queue(actions(page));
    }
    uint32_t run() { return wizard::runWizard(host, 0x51); }  // the host's main window
    std::string shownForms() const { return joined(toolkit.shownForms, " "); }
    void onPage(uint8_t page, HeadlessToolkit::Step step)
    {
        std::unique_ptr<ui::Form> form = wizard::createPage(page);
        toolkit.queue(std::move(step));
        form->ShowModal();
    }

    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
    OstrevanePDB host{};
};

const std::string kNext = "click NextBtn", kBack = "click LastBtn", kFinish = "click FinishBtn";
const std::string kModify = "click ModifyOp; click NextBtn", kSeveral = "click MulCreate; click NextBtn";
const std::string kBrowse = "click BrowseOp; click NextBtn";

// One script per page shown; the pages shown; the result.
using PathCase = std::tuple<std::vector<std::string>, const char*, uint32_t>;

TEST_F(WizardTest, PathsShowThePagesInOrderReportAChangeAndGoBack)
{
    // clang-format off
    const PathCase paths[] = {
        {{kNext, kNext, kNext, kNext, kFinish}, "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm", 1},
        {{kNext, kSeveral, kNext, kNext, kFinish}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TEndFrm", 1},
        {{kModify, kNext, kNext, kFinish}, "TStartFrm TStep2Frm TStep4Frm TEndFrm", 2},
        {{kBrowse, kFinish}, "TStartFrm TEndFrm", 2},
        {{kNext, kSeveral, kNext, kBack, ""}, "TStartFrm TStep1Frm TStep12Frm TStep4Frm TStep12Frm", 1},
        {{kNext, kFinish}, "TStartFrm TStep1Frm", 1},  // a new table counts as a change
        {{"dbl NewOp", ""}, "TStartFrm TStep1Frm", 1},
        {{kNext, "dbl SingleCreate", ""}, "TStartFrm TStep1Frm TStep11Frm", 1},
        // Last: the runs before did not leave their pages in the Back history.
        {{kNext, kNext, kNext, kNext, kBack, kBack, kBack, kBack, ""},
         "TStartFrm TStep1Frm TStep11Frm TStep4Frm TEndFrm TStep4Frm TStep11Frm TStep1Frm TStartFrm", 1},
    };
    // clang-format on
    for (const auto& [pages, shown, result] : paths) {
        SetUp();
        toolkit.setMainWindow(7);
        script(pages);
        EXPECT_EQ(run(), result) << shown;
        EXPECT_EQ(shownForms(), shown);
        EXPECT_EQ(toolkit.mainWindow(), 7u) << "the host's window is given back";
    }
    // A history longer than it holds drops its oldest page.
    wizard::WizardState state;
    for (uint8_t page = 1; page <= wizard::kHistorySize + 2; ++page) state.pushHistory(page);
    for (int page = wizard::kHistorySize + 2; page > 2; --page) EXPECT_EQ(state.popHistory(), page);
    EXPECT_EQ(state.popHistory(), wizard::kStartPage);
}

TEST_F(WizardTest, FinishWritesTheWorkingCopyAndCreationModeBackExceptOnTheStartPageTheCloseBoxNever)
{
    const std::vector<std::string> pathTo[] = {
        {}, {kNext}, {kModify}, {kNext, kNext}, {kNext, kSeveral}, {kModify, kNext}, {kBrowse}};
    for (int page = 1; page <= 7; ++page) {
        for (const std::string& last : {"mark; " + kFinish, std::string("mark; close")}) {
            SetUp();
            host.CreateMode = page == 4;  // the creation pages store their own mode
            const OstrevanePDB before = host;
            script(pathTo[page - 1]);
            script({last});
            run();
            const bool finished = page != 1 && last.find("Finish") != std::string::npos;
            EXPECT_EQ(toolkit.shownForms.size(), pathTo[page - 1].size() + 1) << "the wizard ends there";
            EXPECT_EQ(host.TraceOutput == 1, finished) << page << last;
            EXPECT_TRUE(finished || std::memcmp(&host, &before, sizeof host) == 0) << page << last;
            EXPECT_EQ(host.CreateMode, finished && (page == 4 || page == 5) ? page - 4 : before.CreateMode);
        }
    }
}

const std::vector<Device> kTwo = {{3, 0}, {5, 1}};
const char* const kTwoTree = "3：Ostrevane808|5：Ostrevane847";

// On page 3 (modify) or 5 (several), with FirstDevice before, what the script leaves: the
// devices in use, the tree, IDEd, the DevTypeEd position, FirstDevice and the change flag.
using ListCase =
    std::tuple<uint8_t, uint32_t, const char*, std::vector<int>, const char*, const char*, int, uint32_t, bool>;

TEST_F(WizardTest, DeviceListPagesEditTheTableAtOnce)
{
    // clang-format off
    const ListCase cases[] = {
        {3, 3, "", {3, 5}, kTwoTree, "3", 0, 3, false},  // opens on the first device
        {5, 5, "", {3, 5}, kTwoTree, "0", 1, 5, false},  // opens on a free number
        {3, 3, "node DeviceTree 1", {3, 5}, kTwoTree, "5", 1, 3, false},
        {3, 3, "select DevTypeEd 1; type IDEd 7", {5, 7}, "7：Ostrevane847|5：Ostrevane847", "7", 1, 5, true},
        {5, 3, "type IDEd 8", {3, 5}, kTwoTree, "8", 0, 3, true},
        {5, 3, "type IDEd 9; click AddBtn", {3, 5, 9}, "3：Ostrevane808|5：Ostrevane847|9：Ostrevane808", "0", 0, 2, true},
        {5, 3, "select DevTypeEd 1; type IDEd 3; click AddBtn", {3, 5}, "3：Ostrevane847|5：Ostrevane847", "0", 1, 1, true},
        {3, 3, "node DeviceTree 1; click DelBtn", {3}, "3：Ostrevane808", "0", 1, 0, true},
        {3, 3, "key DeviceTree 46", {5}, "5：Ostrevane847", "0", 0, 0, true},
        {5, 3, "click DelBtn; select DevTypeEd 1", {3, 5}, kTwoTree, "0", 1, 1, true},
        {3, 1, "", {3, 5}, kTwoTree, "1", -1, 1, false},    // a first device that is not in the table: no type
        {3, 100, "", {3, 5}, kTwoTree, "3", 0, 100, false},  // beyond it: the first device in use
    };
    // clang-format on
    for (const auto& [page, first, steps, inUse, tree, number, position, firstAfter, changed] : cases) {
        SCOPED_TRACE(steps);
        SetUp();
        workingCopy() = blockWith(kTwo);
        workingCopy().FirstDevice = first;
        onPage(page, [&](ui::Form& form) {
            actions(steps)(form);
            EXPECT_EQ(shownText(form, "DeviceTree"), tree);
            EXPECT_EQ(control(form, "IDEd").text(), number);
            EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), position);
        });
        EXPECT_EQ(devicesInUse(workingCopy()), inUse);
        EXPECT_EQ(workingCopy().FirstDevice, firstAfter);
        EXPECT_EQ(wizard::state().WizardChanged, changed);
    }
}

TEST_F(WizardTest, DuplicateNumbersAreRefusedOverTheHiddenPageAndTypedNumbersClamped)
{
    const std::tuple<uint8_t, const char*, const char*> cases[] = {
        {3, "3", "单元号重复,请重新修改!"}, {3, "5", "单元号重复,请重新修改!"}, {5, "005", "仪表号重复,请重新修改!"}};
    for (const auto& [page, typed, message] : cases) {
        workingCopy() = blockWith(kTwo);
        toolkit.messages.clear();
        onPage(page, [&](ui::Form& form) { type(form, "IDEd", typed); });
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_EQ(toolkit.messages[0].text, message);
        EXPECT_FALSE(toolkit.messages[0].formVisible);
        EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5}));
        EXPECT_FALSE(wizard::state().WizardChanged);
    }
    // Blanks and a sign are accepted; anything else, or a number beyond 32 bits, reads as 0.
    const std::pair<const char*, int> typedNumbers[] = {
        {" 42 ", 42},       {"+7", 7},         {"-4", 0},          {"12x", 0},         {"", 0},   {"-", 0},
        {"2147483647", 99}, {"9999999999", 0}, {"99999999999", 0}, {"-2147483648", 0}, {"99", 99}};
    for (const auto& [text, number] : typedNumbers) EXPECT_EQ(wizard::devices::clampedDeviceNo(text), number) << text;
}

TEST_F(WizardTest, With0To98InUseTheOfferedNumberIs99)
{
    std::vector<Device> all;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n) all.push_back({n, 0});
    workingCopy() = blockWith(all);
    onPage(3, [](ui::Form& form) {
        EXPECT_EQ(control(form, "DeviceTree").nodes().size(), 100u);
        EXPECT_EQ(control(form, "DeviceTree").nodes().back().text, "99：Ostrevane808");
        click(form, "AddBtn");
        EXPECT_EQ(control(form, "IDEd").text(), "99") << "even with 99 in use too";
        selectNode(form, "DeviceTree", 99);
        click(form, "DelBtn");
        EXPECT_EQ(control(form, "IDEd").text(), "99");
    });
}

TEST_F(WizardTest, SingleDevicePageShowsThePreselectedTypeAndReplacesTheTableOnNext)
{
    workingCopy() = blockWith(kTwo);
    workingCopy().FirstDevice = 5;
    workingCopy().Devices[7].Reserved252 = 0xAB;
    onPage(4, [](ui::Form& form) {
        EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), 1);
        EXPECT_EQ(control(form, "IDEd").text(), "5");
        EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5})) << "nothing changes before Next";
        actions("select DevTypeEd 1; type IDEd 7; click NextBtn")(form);
    });
    const DeviceEntry& added = workingCopy().Devices[7];
    EXPECT_EQ(devicesInUse(workingCopy()), std::vector<int>{7});
    EXPECT_EQ(pdb::typeName(added), def::DevTypes[1].name);
    EXPECT_EQ(workingCopy().FirstDevice, 7u);
    EXPECT_EQ(added.Reserved252, 0xAB) << "the extra bytes of the new device are kept";
    EXPECT_EQ(added.DeviceNo, 7);
}

// port, baud, data bits, stop bits, parity
using Codes = std::array<uint8_t, 5>;

void setCodes(OstrevanePDB& block, const Codes& c)
{
    std::tie(block.PortCode, block.BaudCode, block.DataBitsCode, block.StopBitsCode, block.ParityCode) =
        std::tie(c[0], c[1], c[2], c[3], c[4]);
}

TEST_F(WizardTest, SerialPageStoresEachChangeAtOnceAndTheConfirmationPageSumsThemUp)
{
    using P = OstrevanePDB;
    const std::tuple<const char*, uint8_t P::*, uint8_t> stored[] = {
        {"select ComEd 3", &P::PortCode, 3},         {"type ComEd COM8", &P::PortCode, 7},
        {"type ComEd ttyUSB0", &P::PortCode, 1},     {"select BautEd 12", &P::BaudCode, 12},
        {"type BautEd 12345", &P::BaudCode, 6},      {"select DataBitED 1", &P::DataBitsCode, 4},
        {"select DataBitED 0", &P::DataBitsCode, 3}, {"select StopBitED 2", &P::StopBitsCode, 2},
        {"select ParityEd 1", &P::ParityCode, 1}};
    for (const auto& [script, field, code] : stored) {
        setCodes(workingCopy(), {5, 0, 0, 0, 0});
        wizard::state().WizardChanged = false;
        onPage(6, actions(script));
        EXPECT_EQ(workingCopy().*field, code) << script;
        EXPECT_TRUE(wizard::state().WizardChanged) << script;
    }
    onPage(6, [](ui::Form& form) {
        EXPECT_EQ(joined(control(form, "ComEd").items()), "COM1|COM2|COM3|COM4|COM5|COM6|COM7|COM8|COM9|COM10");
    });
    const std::pair<Codes, const char*> summaries[] = {
        // baud 0, 14400 .. 256000, unknown baud
        {{1, 7, 0, 2, 2}, "串口2|波特率 = 14400  偶校验|数据位 = 4位    停止位 = 2位"},
        {{10, 15, 2, 0, 1}, "|波特率 = 9600|数据位 = 6位    停止位 = 1位"},
        {{0, 3, 9, 0, 0}, "串口1|波特率 = 1200   无校验|数据位 = 8位    停止位 = 1位"},
        {{9, 6, 3, 1, 1}, "串口10|波特率 = 9600   奇校验|数据位 = 7位    停止位 = 1位半"},
        {{0, 12, 4, 0, 3}, "串口1|波特率 = 115200 标记校验|数据位 = 8位    停止位 = 1位"},
        {{0, 0, 4, 0, 4}, "串口1|波特率 = 110    空格校验|数据位 = 8位    停止位 = 1位"},
        {{0, 0, 4, 0, 5}, "串口1|波特率 = 110    无校验|数据位 = 8位    停止位 = 1位"},  // no such code
    };
    for (const auto& [codes, summary] : summaries) {
        OstrevanePDB block{};
        setCodes(block, codes);
        EXPECT_EQ(joined(wizard::serial::summaryLines(block)), summary);
    }
}

}  // namespace
