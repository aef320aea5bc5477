#include "wizard/CreationModePage.h"

#include "sysinfo/version_info.h"
#include "wizard/Wizard.h"
#include "wizard/WizardTexts.h"

namespace wizard {

namespace {

using ui::ControlKind;

struct CreationMode {
    const char* name;
    uint8_t createMode;  // stored in the configuration block
    uint8_t target;      // the page that creates the devices
};

constexpr CreationMode kModes[] = {
    {"SingleCreate", 0, kSingleDevicePage},
    {"MulCreate", 1, kSeveralDevicesPage},
};

constexpr int kOptionLeft = 40;
constexpr int kOptionTop = 20;
constexpr int kOptionPitch = 100;  // option, then two notes
constexpr int kNoteHeight = 18;

}  // namespace

TStep1Frm::TStep1Frm()
    : TWizardPage("TStep1Frm", kCreationModePage, texts::wizard::CreationModeTitle, texts::wizard::CreationModeHint,
                  true, true)
{
    const std::string& word = systeminfo::DevTypeName();
    const std::string captions[] = {texts::wizard::Single + word + texts::wizard::SingleCreation,
                                    texts::wizard::Multiple + word + texts::wizard::MultipleCreation};
    const std::string notes[][2] = {
        {texts::wizard::SingleCreationNote + word + texts::wizard::SingleCreationNoteEnd,
         texts::wizard::SingleCreationWarning},
        {texts::wizard::MultipleCreationNote + word + texts::wizard::MultipleCreationNoteEnd,
         texts::wizard::MultipleCreationWarning},
    };
    ui::Control* options[2] = {};
    for (int i = 0; i < 2; ++i) {
        const int top = kOptionTop + i * kOptionPitch;
        ui::Control& option = add(ControlKind::Option, kModes[i].name, {kOptionLeft, top, 360, 20}, frame_.body);
        option.setCaption(captions[i]);
        option.OnDblClick = [this] { NextBtnClick(); };
        for (int line = 0; line < 2; ++line) {
            ui::Control& note = add(ControlKind::Label, std::string(kModes[i].name) + "Note" + std::to_string(line + 1),
                                    {kOptionLeft + 18, top + 24 + line * kNoteHeight, 390, kNoteHeight}, frame_.body);
            note.setCaption(notes[i][line]);
        }
        options[i] = &option;
    }
    SingleCreate = options[0];
    MulCreate = options[1];
    SingleCreate->setChecked(true);

    // A double click on the page's empty area counts as Next too.
    frame_.body->OnDblClick = [this] { NextBtnClick(); };
    NextBtn->OnClick = [this] { NextBtnClick(); };
}

void TStep1Frm::NextBtnClick()
{
    const ui::Control* options[] = {SingleCreate, MulCreate};
    for (int i = 0; i < 2; ++i) {
        if (!options[i]->checked()) continue;
        state().WizardPDB.CreateMode = kModes[i].createMode;
        goNext(kModes[i].target);
        return;
    }
}

}  // namespace wizard
