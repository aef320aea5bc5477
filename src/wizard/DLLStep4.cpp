#include "wizard/DLLStep4.h"

#include <iterator>

#include "driver/DLLMain.h"
#include "wizard/SerialSummary.h"
#include "wizard/Wizard.h"

namespace wizard {

namespace {

using ui::ControlKind;

// How one control shows its code and stores the user's choice.
struct SerialField {
    const char* name;
    const char* caption;
    ControlKind kind;
    int positionOffset;  // position = code - offset
    ui::Bounds bounds;   // inside the settings group
    uint8_t OstrevanePDB::*code;
    std::vector<std::string> (*items)();
    uint8_t (*codeOf)(int position);  // position (-1: typed text, no item) -> code
};

std::vector<std::string> dataBitsItems() { return {"7位", "8位"}; }
std::vector<std::string> stopBitsItems() { return {"1位", "1位半", "2位"}; }
std::vector<std::string> parityItems() { return {"无校验", "奇校验", "偶校验"}; }

// A text of its own typed into a list falls back to a usual setting: COM2, 9600.
uint8_t portCode(int position) { return position >= 0 ? static_cast<uint8_t>(position) : 1; }
uint8_t baudCode(int position) { return position >= 0 ? static_cast<uint8_t>(position) : 6; }
uint8_t dataBitsCode(int position) { return position == 1 ? 4 : 3; }
uint8_t oneOfThree(int position) { return position == 1 || position == 2 ? static_cast<uint8_t>(position) : 0; }

constexpr ControlKind kList = ControlKind::ComboBox;
constexpr ControlKind kGroup = ControlKind::RadioGroup;
using Block = OstrevanePDB;

const SerialField kFields[] = {
    {"ComEd", "串行口", kList, 0, {72, 22, 110, 20}, &Block::PortCode, serial::portItems, portCode},
    {"BautEd", "波特率", kList, 0, {72, 50, 110, 20}, &Block::BaudCode, serial::baudItems, baudCode},
    {"DataBitED", "数据位", kGroup, 3, {12, 80, 202, 42}, &Block::DataBitsCode, dataBitsItems, dataBitsCode},
    {"StopBitED", "停止位", kGroup, 0, {12, 126, 202, 42}, &Block::StopBitsCode, stopBitsItems, oneOfThree},
    {"ParityEd", "校验方式", kGroup, 0, {12, 172, 202, 42}, &Block::ParityCode, parityItems, oneOfThree},
};

}  // namespace

TStep4Frm::TStep4Frm()
    : TWizardPage("TStep4Frm", kSerialPage, "向导：修改计算机串行口通讯参数",
                  "请修改串行口参数与" + driver::DevTypeName() + "一致：", true, true)
{
    ui::Control& settings = add(ControlKind::GroupBox, "SettingsGroup", {8, 4, 226, 230}, frame_.body);
    settings.setCaption("计算机串行口参数");
    const OstrevanePDB& block = state().WizardPDB;
    ui::Control* controls[std::size(kFields)] = {};
    for (size_t i = 0; i < std::size(kFields); ++i) {
        const SerialField& field = kFields[i];
        ui::Control& control = add(field.kind, field.name, field.bounds, &settings);
        if (field.kind == ControlKind::ComboBox) {
            control.editable = true;
            add(ControlKind::Label, std::string(field.name) + "Lbl", {12, field.bounds.top + 3, 56, 16}, &settings)
                .setCaption(field.caption);
        } else {
            control.setCaption(field.caption);
            control.columns = static_cast<int>(field.items().size());
        }
        control.setItems(field.items());
        control.setItemIndex(static_cast<int>(block.*field.code) - field.positionOffset);
        auto store = [&control, &field] {
            WizardState& wizardState = state();
            wizardState.WizardPDB.*field.code = field.codeOf(control.itemIndex());
            wizardState.WizardChanged = true;
        };
        // Lists report a choice or a typed text as a change; groups as a click.
        if (field.kind == ControlKind::ComboBox) {
            control.OnChange = store;
        } else {
            control.OnClick = store;
        }
        controls[i] = &control;
    }
    ComEd = controls[0];
    BautEd = controls[1];
    DataBitED = controls[2];
    StopBitED = controls[3];
    ParityEd = controls[4];

    ui::Control& notes = add(ControlKind::GroupBox, "NoteGroup", {240, 4, 226, 230}, frame_.body);
    notes.setCaption("参数说明");
    Memo2 = &add(ControlKind::Memo, "Memo2", {8, 18, 210, 204}, &notes);
    Memo2->readOnly = true;
    const std::string& word = driver::DevTypeName();
    Memo2->setLines({"    在上位机中使用" + word + "时必须正确配置串行口参数。", "    串行口指定计算机端的通讯口。",
                     "    除串口外的其它参数必须与" + word + "端设定的参数一致。"});

    NextBtn->OnClick = [this] { goNext(kConfirmationPage); };
}

}  // namespace wizard
