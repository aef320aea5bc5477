#include "wizard/DLLStep1.h"

#include "driver/DLLMain.h"
#include "wizard/Wizard.h"

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
    : TWizardPage("TStep1Frm", kCreationModePage, "向导：选择创建设备的方式",
                  "请选择下面的创建方式，然后用鼠标单击下一步或完成按钮：", true, true)
{
    const std::string& word = driver::DevTypeName();
    const std::string captions[] = {"单个" + word + "创建（RS232方式连接）",
                                    "多个" + word + "创建（RS485/RS422方式连接）"};
    const std::string notes[][2] = {
        {"为工程中的任意节点创建单个" + word + "，可以满足简单的工程应用。",
         "本操作将覆盖原有的设备配置，请慎重使用。"},
        {"为工程中的任意节点创建多个" + word + "，可以满足所有工程应用。",
         "并提高工程的运行效率。但标签地址的配置不易掌握。"},
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
