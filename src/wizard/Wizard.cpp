#include "wizard/Wizard.h"

#include "framework/PDB.h"
#include "ui/Form.h"
#include "wizard/Pages.h"

namespace wizard {

WizardState& state()
{
    static WizardState wizardState;
    return wizardState;
}

void WizardState::pushHistory(uint8_t page)
{
    if (WizardDepth < 0) WizardDepth = 0;
    if (WizardDepth >= kHistorySize) {
        for (int i = 1; i < kHistorySize; ++i) WizardHistory[i - 1] = WizardHistory[i];
        WizardDepth = kHistorySize - 1;
    }
    WizardHistory[WizardDepth] = page;
    ++WizardDepth;
}

uint8_t WizardState::popHistory()
{
    if (WizardDepth <= 0) {
        WizardDepth = 0;
        return kStartPage;
    }
    --WizardDepth;
    return WizardHistory[WizardDepth];
}

void RunWizardPage(uint8_t page)
{
    // One page at a time: each sets WizardPage before it closes (8 when closed by
    // its close box), and the loop shows that page next.
    while (page != kEndWizard && page != kClosed) {
        std::unique_ptr<ui::Form> form = createPage(page);
        if (!form) break;
        form->ShowModal();
        form.reset();
        page = state().WizardPage;
    }
}

uint32_t runWizard(OstrevanePDB& hostPDB, uintptr_t mainWindow)
{
    // The working copy and the page loop are the process's: a second caller waits.
    const ui::ModalSession session;
    WizardState& wizardState = state();
    pdb::CopyPDB(hostPDB, wizardState.WizardPDB);
    wizardState.hostPDB = &hostPDB;
    pdb::ValidateDeviceTable(hostPDB);
    wizardState.WizardChanged = pdb::ValidateDeviceTable(wizardState.WizardPDB);
    // Every run starts with an empty history, so repeated runs in one process never
    // outgrow it.
    wizardState.WizardHistory.fill(0);
    wizardState.WizardDepth = 0;
    wizardState.WizardPage = kClosed;

    ui::Toolkit& toolkit = ui::toolkit();
    const uintptr_t previousWindow = toolkit.setMainWindow(mainWindow);
    RunWizardPage(kStartPage);
    toolkit.setMainWindow(previousWindow);
    wizardState.hostPDB = nullptr;
    return wizardState.WizardChanged ? 1u : 2u;
}

}  // namespace wizard
