// The wizard's process-wide state and its page loop.
#pragma once
#include <array>
#include <cstdint>

#include "Ostrevane800.h"

namespace wizard {

// Page numbers of the loop; 0 and 8 end the wizard.
enum Page : uint8_t {
    kEndWizard = 0,
    kStartPage = 1,
    kCreationModePage = 2,
    kModifyPage = 3,
    kSingleDevicePage = 4,
    kSeveralDevicesPage = 5,
    kSerialPage = 6,
    kConfirmationPage = 7,
    kClosed = 8,
};

constexpr int kHistorySize = 11;

struct WizardState {
    OstrevanePDB WizardPDB{};         // the working copy all pages edit
    OstrevanePDB* hostPDB = nullptr;  // written only by a Finish button
    bool WizardChanged = false;
    uint8_t WizardPage = kClosed;                       // the page the loop shows next
    std::array<uint8_t, kHistorySize> WizardHistory{};  // pages left by Next, for Back
    int8_t WizardDepth = 0;

    // Next: remember the page being left. A full stack forgets its oldest entry.
    void pushHistory(uint8_t page);
    // Back: the page to return to; the start page when nothing is remembered.
    uint8_t popHistory();
};

// Only touched inside the ui::ModalSession that runWizard holds.
WizardState& state();

// Shows page after page until one leaves WizardPage at 0 or 8.
void RunWizardPage(uint8_t page);

// The whole wizard over the host's block: copy, validation, the page loop from the
// start page. Returns 1 when the configuration changed, else 2. Callers on other
// threads wait until it returns.
uint32_t runWizard(OstrevanePDB& hostPDB, uintptr_t mainWindow);

}  // namespace wizard
