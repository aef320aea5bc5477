#include "wizard/SerialPortPage.h"

#include <iterator>

#include "sysinfo/version_info.h"
#include "wizard/SerialSummary.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

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

std::vector<std::string> dataBitsItems() { return {texts::wizard::Bits7, texts::wizard::Bits8}; }
std::vector<std::string> stopBitsItems()
{
    return {texts::wizard::StopBits1, texts::wizard::StopBits1Half, texts::wizard::StopBits2};
}
std::vector<std::string> parityItems()
{
    return {texts::wizard::NoParity, texts::wizard::OddParity, texts::wizard::EvenParity};
}

// A text of its own typed into a list falls back to a usual setting: COM2, 9600.
uint8_t portCode(int position) { return position >= 0 ? static_cast<uint8_t>(position) : 1; }
uint8_t baudCode(int position) { return position >= 0 ? static_cast<uint8_t>(position) : 6; }
uint8_t dataBitsCode(int position) { return position == 1 ? 4 : 3; }
uint8_t oneOfThree(int position) { return position == 1 || position == 2 ? static_cast<uint8_t>(position) : 0; }

constexpr ControlKind kList = ControlKind::ComboBox;
constexpr ControlKind kGroup = ControlKind::RadioGroup;
using Block = OstrevanePDB;

const SerialField kFields[] = {
    {"ComEd", texts::wizard::SerialPort, kList, 0, {72, 22, 110, 20}, &Block::PortCode, serial::portItems, portCode},
    {"BautEd", texts::wizard::BaudRate, kList, 0, {72, 50, 110, 20}, &Block::BaudCode, serial::baudItems, baudCode},
    {"DataBitED",
     texts::wizard::DataBits,
     kGroup,
     3,
     {12, 80, 202, 42},
     &Block::DataBitsCode,
     dataBitsItems,
     dataBitsCode},
    {"StopBitED",
     texts::wizard::StopBits,
     kGroup,
     0,
     {12, 126, 202, 42},
     &Block::StopBitsCode,
     stopBitsItems,
     oneOfThree},
    {"ParityEd", texts::wizard::ParityMode, kGroup, 0, {12, 172, 202, 42}, &Block::ParityCode, parityItems, oneOfThree},
};

}  // namespace

TStep4Frm::TStep4Frm()
    : TWizardPage("TStep4Frm", kSerialPage, texts::wizard::SerialTitle,
                  texts::wizard::SerialHint + systeminfo::DevTypeName() + texts::wizard::SerialHintEnd, true, true)
{
    ui::Control& settings = add(ControlKind::GroupBox, "SettingsGroup", {8, 4, 226, 230}, frame_.body);
    settings.setCaption(texts::wizard::ComputerSerialParameters);
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
    notes.setCaption(texts::wizard::ParameterNotes);
    Memo2 = &add(ControlKind::Memo, "Memo2", {8, 18, 210, 204}, &notes);
    Memo2->readOnly = true;
    const std::string& word = systeminfo::DevTypeName();
    Memo2->setLines({texts::wizard::SerialNoteUse + word + texts::wizard::SerialNoteUseEnd,
                     texts::wizard::SerialNotePort,
                     texts::wizard::SerialNoteOthers + word + texts::wizard::SerialNoteOthersEnd});

    NextBtn->OnClick = [this] { goNext(kConfirmationPage); };
}

}  // namespace wizard
