// What the pages show and how their controls edit the working copy.
#include "definitions/DLLDef.h"
#include "framework/PDB.h"
#include "wizard/DeviceList.h"
#include "wizard/SerialSummary.h"
#include "wizard_harness.h"

namespace wizard_testing {
namespace {

using ui::headless::control;

// ---- texts -----------------------------------------------------------------------

// The texts the pages put together from the driver's display words and tables.

struct TextCase {
    uint8_t page;
    const char* what;  // see shownText
    const char* text;
};

class WizardPageTexts : public WizardTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(WizardPageTexts, AreShownAsWritten)
{
    workingCopy() = blockWith({{3, 0}, {12, 1}});
    onPage(GetParam().page, [](ui::Form& form) { EXPECT_EQ(shownText(form, GetParam().what), GetParam().text); });
}

const TextCase kTexts[] = {
    {1, "", "Ostrevane仪表向导：选择执行的操作方式"},
    {1, "TitleLbl", "欢迎使用Ostrevane仪表配置向导"},
    {1, "NewOpNote", "提供简单到复杂的应用创建向导，可以集中创建一个或多个\r\n仪表。"},
    {2, "", "Ostrevane仪表向导：选择创建设备的方式"},
    {2, "SingleCreate", "单个仪表创建（RS232方式连接）"},
    {2, "SingleCreateNote1", "为工程中的任意节点创建单个仪表，可以满足简单的工程应用。"},
    {2, "MulCreate", "多个仪表创建（RS485/RS422方式连接）"},
    {2, "MulCreateNote1", "为工程中的任意节点创建多个仪表，可以满足所有工程应用。"},
    {3, "", "Ostrevane仪表向导：修改仪表参数或删除仪表"},
    {3, "InstructionLbl", "执行添加、删除、修改仪表操作后，单击下一步按钮"},
    {3, "DeviceTree", "3：Ostrevane808|12：Ostrevane847"},
    {3, "TypeGroup", "仪表类型及参数"},
    {3, "DevTypeLbl", "仪表类型"},
    {3, "DevTypeEd.items", "Ostrevane808|Ostrevane847"},
    {3, "IDLbl", "仪表号"},
    {3, "AddBtn", "添加仪表"},
    {3, "DelBtn", "删除仪表"},
    {4, "", "Ostrevane仪表向导：创建单个仪表"},
    {4, "InstructionLbl", "选择下面的仪表类型及其参数，然后用单击下一步按钮："},
    {4, "CardScrMemoGroup", "仪表类型说明"},
    {4, "CardScrMemo", "Ostrevane808只是一个简单示例。"},
    {4, "TagTypeMemoGroup", "仪表支持的标签类型"},
    {4, "TagTypeMemo", "Ostrevane808支持27种标签，包括HS、LS、PV等。"},
    {4, "Memo2Group", "仪表号说明"},
    {4, "Memo2", "    Ostrevane仪表的仪表号的取值范围从0至99"},
    {5, "", "Ostrevane仪表向导：创建多个仪表"},
    {6, "", "Ostrevane仪表向导：修改计算机串行口通讯参数"},
    {6, "InstructionLbl", "请修改串行口参数与仪表一致："},
    {6, "ComEd.items", "COM1|COM2|COM3|COM4|COM5|COM6|COM7|COM8|COM9|COM10"},
    {6, "BautEd.items", "110|300|600|1200|2400|4800|9600|14400|19200|38400|56000|57600|115200|128000|256000"},
    {6, "Memo2",
     "    在上位机中使用仪表时必须正确配置串行口参数。|    串行口指定计算机端的通讯口。|"
     "    除串口外的其它参数必须与仪表端设定的参数一致。"},
    {7, "", "Ostrevane仪表向导：向导退出前的确认"},
    {7, "DeviceTree", "3：Ostrevane808|12：Ostrevane847"},
    {7, "ComArgMemo", "串口1|波特率 = 9600   无校验|数据位 = 8位    停止位 = 1位"},
    {7, "UsageGroup", "Ostrevane仪表使用说明"},
    {7, "Memo5",
     "    每个与上位机相连的仪表在上位机的设备中都有一个唯一的仪表号。|"
     "    在上位机的新建标签时，需要在标签主地址中指定仪表号，从而确定此标签在一个节点设备中属于的哪一个仪表。"},
};
INSTANTIATE_TEST_SUITE_P(Pages, WizardPageTexts, ::testing::ValuesIn(kTexts));

TEST_F(WizardTest, PagesHaveTheirButtonsAndFirstOptionsChosen)
{
    const std::pair<uint8_t, const char*> kButtons[] = {{1, "-NF"}, {2, "LNF"}, {3, "LNF"}, {4, "LNF"},
                                                        {5, "LNF"}, {6, "LNF"}, {7, "L-F"}};
    for (const auto& [page, expected] : kButtons) {
        onPage(page, [&](ui::Form& form) {
            std::string buttons;
            for (const char* name : {"LastBtn", "NextBtn", "FinishBtn"}) buttons += form.find(name) ? name[0] : '-';
            EXPECT_EQ(buttons, expected) << int(page);
        });
    }
    onPage(1, [](ui::Form& form) {
        EXPECT_TRUE(control(form, "NewOp").checked());
        ui::headless::click(form, "BrowseOp");
        EXPECT_FALSE(control(form, "NewOp").checked()) << "one operation at a time";
    });
    onPage(2, [](ui::Form& form) { EXPECT_TRUE(control(form, "SingleCreate").checked()); });
}

// ---- the device table ------------------------------------------------------------

struct ListCase {
    const char* name;
    uint8_t page;  // 3 modify, 5 several devices
    std::vector<Device> start;
    uint32_t firstDevice;  // FirstDevice before the page opens
    const char* script;
    std::vector<int> inUse;
    const char* tree;
    const char* number;  // IDEd afterwards
    int typePosition;    // DevTypeEd afterwards
    uint32_t firstDeviceAfter;
    bool changed;  // WizardChanged afterwards
};

class WizardDeviceList : public WizardTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(WizardDeviceList, EditsTheTableAtOnce)
{
    const ListCase& c = GetParam();
    workingCopy() = blockWith(c.start);
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

const std::vector<Device> kTwo = {{3, 0}, {5, 1}};
const char* const kTwoTree = "3：Ostrevane808|5：Ostrevane847";
// clang-format off
const ListCase kListCases[] = {
    // name, page, start, FirstDevice, script,
    //     devices in use, tree, IDEd, DevTypeEd, FirstDevice, changed
    {"ModifyOpensOnTheFirstDevice", 3, kTwo, 3, "",
        {3, 5}, kTwoTree, "3", 0, 3, false},
    {"SeveralOpensOnAFreeNumber", 5, kTwo, 5, "",
        {3, 5}, kTwoTree, "0", 1, 5, false},
    {"StoredNumberOutsideTheTable", 3, kTwo, 100000, "",
        {3, 5}, kTwoTree, "3", 0, 100000, false},
    {"TreeClickShowsTheDevice", 3, kTwo, 3, "node DeviceTree 1",
        {3, 5}, kTwoTree, "5", 1, 3, false},
    {"OtherKeysShowTheDevice", 3, kTwo, 3, "node DeviceTree 1; node DeviceTree 0; key DeviceTree 40",
        {3, 5}, kTwoTree, "3", 0, 3, false},
    {"FreeNumberMovesTheSelected", 3, kTwo, 3, "select DevTypeEd 1; type IDEd 7",
        {5, 7}, "7：Ostrevane847|5：Ostrevane847", "7", 1, 5, true},
    {"FreeNumberWithoutSelection", 5, kTwo, 3, "type IDEd 8",
        {3, 5}, kTwoTree, "8", 0, 3, true},
    {"TypeChangeRetypesTheSelected", 3, kTwo, 3, "select DevTypeEd 1",
        {3, 5}, "3：Ostrevane847|5：Ostrevane847", "3", 1, 3, true},
    {"AddANewDevice", 5, kTwo, 3, "type IDEd 9; click AddBtn",
        {3, 5, 9}, "3：Ostrevane808|5：Ostrevane847|9：Ostrevane808", "0", 0, 2, true},
    {"AddOverAnExistingDevice", 5, kTwo, 3, "select DevTypeEd 1; type IDEd 3; click AddBtn",
        {3, 5}, "3：Ostrevane847|5：Ostrevane847", "0", 1, 1, true},
    {"DeleteTheSelected", 3, kTwo, 3, "node DeviceTree 1; click DelBtn",
        {3}, "3：Ostrevane808", "0", 1, 0, true},
    {"DeleteKey", 3, kTwo, 3, "key DeviceTree 46",
        {5}, "5：Ostrevane847", "0", 0, 0, true},
    {"DeleteWithoutSelection", 5, kTwo, 3, "click DelBtn; select DevTypeEd 1",
        {3, 5}, kTwoTree, "0", 1, 1, true},
    {"DeleteTheLastDevice", 3, {{4, 0}}, 4, "click DelBtn",
        {}, "", "0", 0, 4, true},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Pages, WizardDeviceList, ::testing::ValuesIn(kListCases),
                         [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST_F(WizardTest, DuplicateNumbersAreRefusedOverTheHiddenPage)
{
    const std::tuple<uint8_t, const char*, const char*> kCases[] = {
        {3, "3", "单元号重复,请重新修改!"},  // the selected device's own number
        {3, "5", "单元号重复,请重新修改!"},
        {5, "005", "仪表号重复,请重新修改!"},
    };
    for (const auto& [page, typed, message] : kCases) {
        workingCopy() = blockWith(kTwo);
        toolkit.messages.clear();
        bool visibleAfter = false;
        onPage(page, [&](ui::Form& form) {
            ui::headless::type(form, "IDEd", typed);
            visibleAfter = form.visible();
        });
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_EQ(toolkit.messages[0].text, message);
        EXPECT_FALSE(toolkit.messages[0].formVisible);
        EXPECT_TRUE(visibleAfter);
        EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5}));
        EXPECT_FALSE(wizard::state().WizardChanged);
    }
}

TEST_F(WizardTest, TypedNumbersAreClampedIntoTheTable)
{
    const std::tuple<uint8_t, const char*, const char*> kCases[] = {
        {3, "150", "99"}, {4, "150", "99"}, {5, "abc", "0"},         {4, "12x", "0"},
        {4, "", "0"},     {5, "-4", "0"},   {4, "99999999999", "0"}, {4, "42", "42"},
    };
    for (const auto& [page, typed, shown] : kCases) {
        workingCopy() = blockWith(kTwo);
        onPage(page, [&](ui::Form& form) {
            ui::headless::type(form, "IDEd", typed);
            EXPECT_EQ(control(form, "IDEd").text(), shown) << typed;
        });
    }
}

TEST_F(WizardTest, AddWithoutATypeLeavesTheEntryFreeNamedInvalid)
{
    workingCopy() = blockWith(kTwo);
    workingCopy().FirstDevice = 0;  // a free entry: no type is preselected
    onPage(5, "click AddBtn");
    EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5}));
    EXPECT_EQ(pdb::typeName(workingCopy().Devices[0]), "无效");
}

TEST_F(WizardTest, WithNumbersUpTo98InUseTheOfferedNumberIs99)
{
    std::vector<Device> all;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n) all.push_back({n, 0});
    workingCopy() = blockWith(all);
    onPage(3, [](ui::Form& form) {
        ui::headless::click(form, "AddBtn");
        EXPECT_EQ(control(form, "IDEd").text(), "99") << "even with 99 in use too";
        ui::headless::selectNode(form, "DeviceTree", 99);
        ui::headless::click(form, "DelBtn");
        EXPECT_EQ(control(form, "IDEd").text(), "99");
    });
    workingCopy().Devices[2].DeviceType = OSTREVANE_NO_DEVICE;
    EXPECT_EQ(wizard::devices::FreeDeviceNo(workingCopy()), 2u);
}

TEST_F(WizardTest, SingleDevicePageShowsThePreselectedTypeAndReplacesTheTableOnNext)
{
    workingCopy() = blockWith(kTwo);
    workingCopy().FirstDevice = 5;
    workingCopy().Devices[7].Reserved252 = 0xAB;
    workingCopy().Devices[7].DeviceNo = 70;
    onPage(4, [](ui::Form& form) {
        EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), 1);
        EXPECT_EQ(control(form, "IDEd").text(), "5");
        EXPECT_EQ(shownText(form, "CardScrMemo"), def::DevTypes[1].note);
        ui::headless::select(form, "DevTypeEd", 0);
        EXPECT_EQ(shownText(form, "TagTypeMemo"), def::DevTypes[0].tagNote);
        EXPECT_EQ(devicesInUse(workingCopy()), (std::vector<int>{3, 5})) << "nothing changes before Next";
        ui::headless::select(form, "DevTypeEd", 1);
        ui::headless::type(form, "IDEd", "7");
        ui::headless::click(form, "NextBtn");
    });
    const OstrevanePDB& block = workingCopy();
    EXPECT_EQ(devicesInUse(block), std::vector<int>{7});
    EXPECT_EQ(block.Devices[7].DeviceType, 1);
    EXPECT_EQ(pdb::typeName(block.Devices[7]), def::DevTypes[1].name);
    EXPECT_EQ(block.FirstDevice, 7u);
    EXPECT_EQ(block.Devices[7].Reserved252, 0xAB) << "the extra bytes of the new device are kept";
    EXPECT_EQ(block.Devices[7].DeviceNo, 7) << "every entry gets its own number";

    workingCopy().FirstDevice = 8;  // a free entry offers the first type
    onPage(4, [](ui::Form& form) { EXPECT_EQ(control(form, "DevTypeEd").itemIndex(), 0); });
}

// ---- the serial settings -------------------------------------------------------

struct Codes {
    uint8_t port, baud, dataBits, stopBits, parity;
};

void setCodes(OstrevanePDB& block, const Codes& codes)
{
    block.PortCode = codes.port;
    block.BaudCode = codes.baud;
    block.DataBitsCode = codes.dataBits;
    block.StopBitsCode = codes.stopBits;
    block.ParityCode = codes.parity;
}

TEST_F(WizardTest, SerialPageShowsTheStoredCodes)
{
    const char* const kControls[] = {"ComEd", "BautEd", "DataBitED", "StopBitED", "ParityEd"};
    const std::pair<Codes, std::array<int, 5>> kCases[] = {
        {{0, 6, 4, 0, 0}, {0, 6, 1, 0, 0}},       // the defaults
        {{9, 14, 3, 2, 2}, {9, 14, 0, 2, 2}},     // the last of each
        {{0, 6, 0, 1, 1}, {0, 6, -1, 1, 1}},      // 4 data bits: no choice
        {{0, 6, 2, 0, 0}, {0, 6, -1, 0, 0}},      // 6 data bits: no choice
        {{0, 6, 7, 3, 4}, {0, 6, 1, 2, 2}},       // beyond the groups: their last item
        {{10, 15, 4, 0, 0}, {-1, -1, 1, 0, 0}}};  // beyond the lists: no choice
    for (const auto& [codes, positions] : kCases) {
        setCodes(workingCopy(), codes);
        onPage(6, [&](ui::Form& form) {
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(control(form, kControls[i]).itemIndex(), positions[i]) << kControls[i];
        });
    }
}

TEST_F(WizardTest, SerialPageStoresEachChangeAtOnce)
{
    const std::tuple<const char*, uint8_t OstrevanePDB::*, uint8_t> kCases[] = {
        {"select ComEd 3", &OstrevanePDB::PortCode, 3},         {"type ComEd COM8", &OstrevanePDB::PortCode, 7},
        {"type ComEd ttyUSB0", &OstrevanePDB::PortCode, 1},     {"select BautEd 12", &OstrevanePDB::BaudCode, 12},
        {"type BautEd 12345", &OstrevanePDB::BaudCode, 6},      {"select DataBitED 1", &OstrevanePDB::DataBitsCode, 4},
        {"select DataBitED 0", &OstrevanePDB::DataBitsCode, 3}, {"select StopBitED 1", &OstrevanePDB::StopBitsCode, 1},
        {"select StopBitED 2", &OstrevanePDB::StopBitsCode, 2}, {"select ParityEd 1", &OstrevanePDB::ParityCode, 1},
        {"select ParityEd 2", &OstrevanePDB::ParityCode, 2},
    };
    for (const auto& [script, field, code] : kCases) {
        setCodes(workingCopy(), {5, 0, 0, 0, 0});
        wizard::state().WizardChanged = false;
        onPage(6, script);
        EXPECT_EQ(workingCopy().*field, code) << script;
        EXPECT_TRUE(wizard::state().WizardChanged) << script;
    }
}

TEST(WizardSerialSummary, DescribesTheFiveCodes)
{
    const std::pair<Codes, const char*> kCases[] = {
        {{0, 6, 4, 0, 0}, "串口1|波特率 = 9600   无校验|数据位 = 8位    停止位 = 1位"},
        {{9, 0, 3, 1, 1}, "串口10|波特率 = 110    奇校验|数据位 = 7位    停止位 = 1位半"},
        {{1, 7, 0, 2, 2}, "串口2|波特率 = 14400  偶校验|数据位 = 4位    停止位 = 2位"},
        {{2, 14, 1, 5, 7}, "串口3|波特率 = 256000 无校验|数据位 = 5位    停止位 = 1位"},
        {{10, 15, 2, 0, 1}, "|波特率 = 9600|数据位 = 6位    停止位 = 1位"},
        {{0, 3, 9, 0, 0}, "串口1|波特率 = 1200   无校验|数据位 = 8位    停止位 = 1位"},
    };
    for (const auto& [codes, summary] : kCases) {
        OstrevanePDB block{};
        setCodes(block, codes);
        std::string lines;
        for (const std::string& line : wizard::serial::summaryLines(block)) lines += line + "|";
        EXPECT_EQ(lines, summary + std::string("|"));
    }
}

}  // namespace
}  // namespace wizard_testing
