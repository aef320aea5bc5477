#include "wizard/Pages.h"

#include <iterator>

#include "wizard/ConfirmationPage.h"
#include "wizard/CreationModePage.h"
#include "wizard/ModifyDevicesPage.h"
#include "wizard/SerialPortPage.h"
#include "wizard/SeveralDevicesPage.h"
#include "wizard/SingleDevicePage.h"
#include "wizard/StartPage.h"

namespace wizard {

namespace {

template <class Page>
std::unique_ptr<ui::Form> make()
{
    return std::make_unique<Page>();
}

// Indexed by page number; 0 is the end of the wizard.
constexpr std::unique_ptr<ui::Form> (*kPages[])() = {
    nullptr,          make<TStartFrm>,  make<TStep1Frm>, make<TStep2Frm>,
    make<TStep11Frm>, make<TStep12Frm>, make<TStep4Frm>, make<TEndFrm>,
};

}  // namespace

std::unique_ptr<ui::Form> createPage(uint8_t page)
{
    if (page >= std::size(kPages) || !kPages[page]) return nullptr;
    return kPages[page]();
}

}  // namespace wizard
