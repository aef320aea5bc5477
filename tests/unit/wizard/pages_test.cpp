// What the pages show and how their controls edit the working copy.
#include <tuple>

#include "wizard/DeviceList.h"
#include "wizard/SerialSummary.h"
#include "wizard_harness.h"

namespace wizard_testing {
namespace {

const std::vector<Device> kTwo = {{3, 0}, {5, 1}};
const char* const kTwoTree = "3：Ostrevane808|5：Ostrevane847";

struct ListCase {  // on page 3 (modify) or 5 (several): what the script leaves in the table and on the page
    uint8_t page;
    uint32_t firstDevice;
    const char* script;
    std::vector<int> inUse;
    const char* tree;
    const char* number;  // IDEd
    int typePosition;    // DevTypeEd
    uint32_t firstDeviceAfter;
    bool changed;
};

TEST_F(WizardTest, DeviceListPagesEditTheTableAtOnce)
{
    // clang-format off
    const ListCase cases[] = {
        {3, 3, "", {3, 5}, kTwoTree, "3", 0, 3, false},  // opens on the first device
        {5, 5, "", {3, 5}, kTwoTree, "0", 1, 5, false},  // opens on a free number
        {3, 100000, "", {3, 5}, kTwoTree, "3", 0, 100000, false},  // stored number outside the table
        {3, 3, "node DeviceTree 1", {3, 5}, kTwoTree, "5", 1, 3, false},
        {3, 3, "node DeviceTree 1; node DeviceTree 0; key DeviceTree 40", {3, 5}, kTwoTree, "3", 0, 3, false},
        {3, 3, "select DevTypeEd 1; type IDEd 7", {5, 7}, "7：Ostrevane847|5：Ostrevane847", "7", 1, 5, true},
        {5, 3, "type IDEd 8", {3, 5}, kTwoTree, "8", 0, 3, true},
        {3, 3, "select DevTypeEd 1", {3, 5}, "3：Ostrevane847|5：Ostrevane847", "3", 1, 3, true},
        {5, 3, "type IDEd 9; click AddBtn", {3, 5, 9}, "3：Ostrevane808|5：Ostrevane847|9：Ostrevane808", "0", 0, 2, true},
        {5, 3, "select DevTypeEd 1; type IDEd 3; click AddBtn", {3, 5}, "3：Ostrevane847|5：Ostrevane847", "0", 1, 1, true},
        {3, 3, "node DeviceTree 1; click DelBtn", {3}, "3：Ostrevane808", "0", 1, 0, true},
        {3, 3, "key DeviceTree 46", {5}, "5：Ostrevane847", "0", 0, 0, true},
        {5, 3, "click DelBtn; select DevTypeEd 1", {3, 5}, kTwoTree, "0", 1, 1, true},
    };
    // clang-format on
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.script);
        SetUp();
        workingCopy() = blockWith(kTwo);
        workingCopy().FirstDevice = c.firstDevice;
        onPage(c.page, [&](ui::Form& form) {
            actions(c.script)(form);
            EXPECT_EQ(shownText(form, "DeviceTree"), c.tree);
            EXPECT_EQ(control(form, "IDEd").text(), c.number);
            EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), c.typePosition);
        });
        EXPECT_EQ(devicesInUse(workingCopy()), c.inUse);
        EXPECT_EQ(workingCopy().FirstDevice, c.firstDeviceAfter);
        EXPECT_EQ(wizard::state().WizardChanged, c.changed);
    }
    workingCopy() = blockWith({{4, 0}});
    onPage(3, actions("click DelBtn"));
    EXPECT_TRUE(devicesInUse(workingCopy()).empty()) << "the last device deleted";
}

TEST_F(WizardTest, DuplicateNumbersAreRefusedOverTheHiddenPageAndTypedNumbersClamped)
{
    const std::tuple<uint8_t, const char*, const char*> cases[] = {
        {3, "3", "单元号重复,请重新修改!"}, {3, "5", "单元号重复,请重新修改!"}, {5, "005", "仪表号重复,请重新修改!"}};
    for (const auto& [page, typed, message] : cases) {
        workingCopy() = blockWith(kTwo);
        toolkit.messages.clear();
        onPage(page, [&](ui::Form& form) {
            type(form, "IDEd", typed);
            EXPECT_TRUE(form.visible());
        });
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
        select(form, "DevTypeEd", 0);
        EXPECT_EQ(shownText(form, "CardScrMemo"), def::DevTypes[0].note);
        EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5})) << "nothing changes before Next";
        actions("select DevTypeEd 1; type IDEd 7; click NextBtn")(form);
    });
    const DeviceEntry& added = workingCopy().Devices[7];
    EXPECT_EQ(devicesInUse(workingCopy()), std::vector<int>{7});
    EXPECT_EQ(pdb::typeName(added), def::DevTypes[1].name);
    EXPECT_EQ(workingCopy().FirstDevice, 7u);
    EXPECT_EQ(added.Reserved252, 0xAB) << "the extra bytes of the new device are kept";
    EXPECT_EQ(added.DeviceNo, 7);
    workingCopy().FirstDevice = 8;  // a free entry offers the first type
    onPage(4, [](ui::Form& form) { EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), 0); });
}

// port, baud, data bits, stop bits, parity
using Codes = std::array<uint8_t, 5>;

void setCodes(OstrevanePDB& block, const Codes& c)
{
    std::tie(block.PortCode, block.BaudCode, block.DataBitsCode, block.StopBitsCode, block.ParityCode) =
        std::tie(c[0], c[1], c[2], c[3], c[4]);
}

TEST_F(WizardTest, SerialPageShowsTheStoredCodesAndStoresEachChangeAtOnce)
{
    const char* const controls[] = {"ComEd", "BautEd", "DataBitED", "StopBitED", "ParityEd"};
    const std::pair<Codes, std::array<int, 5>> shown[] = {
        {{9, 14, 3, 2, 2}, {9, 14, 0, 2, 2}},     // the last of each
        {{0, 6, 7, 3, 4}, {0, 6, 1, 2, 2}},       // beyond the groups: their last item
        {{10, 15, 4, 0, 0}, {-1, -1, 1, 0, 0}}};  // beyond the lists: no choice
    for (const auto& [codes, positions] : shown) {
        setCodes(workingCopy(), codes);
        onPage(6, [&](ui::Form& form) {
            for (int i = 0; i < 5; ++i) EXPECT_EQ(control(form, controls[i]).itemIndex(), positions[i]) << controls[i];
        });
    }
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
}

TEST_F(WizardTest, ConfirmationPageShowsTheTableAndTheSerialSummary)
{
    workingCopy() = blockWith({{3, 0}, {12, 1}});
    onPage(7, [](ui::Form& form) {
        EXPECT_EQ(shownText(form, "DeviceTree"), "3：Ostrevane808|12：Ostrevane847");
        EXPECT_EQ(shownText(form, "ComArgMemo"), "串口1|波特率 = 9600   无校验|数据位 = 8位    停止位 = 1位");
    });
    const std::pair<Codes, const char*> summaries[] = {
        // baud 0, 14400 .. 256000, unknown baud
        {{9, 0, 3, 1, 1}, "串口10|波特率 = 110    奇校验|数据位 = 7位    停止位 = 1位半"},
        {{1, 7, 0, 2, 2}, "串口2|波特率 = 14400  偶校验|数据位 = 4位    停止位 = 2位"},
        {{2, 14, 1, 5, 7}, "串口3|波特率 = 256000 无校验|数据位 = 5位    停止位 = 1位"},
        {{10, 15, 2, 0, 1}, "|波特率 = 9600|数据位 = 6位    停止位 = 1位"},
        {{0, 3, 9, 0, 0}, "串口1|波特率 = 1200   无校验|数据位 = 8位    停止位 = 1位"},
    };
    for (const auto& [codes, summary] : summaries) {
        OstrevanePDB block{};
        setCodes(block, codes);
        EXPECT_EQ(joined(wizard::serial::summaryLines(block)), summary);
    }
}

}  // namespace
}  // namespace wizard_testing
