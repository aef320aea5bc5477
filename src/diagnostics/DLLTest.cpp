#include "diagnostics/DLLTest.h"

#include <cstring>
#include <memory>
#include <new>

#include "diagnostics/DiagnosticsTexts.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/PDB.h"
#include "platform/host_memory.h"
#include "sysinfo/version_info.h"

namespace diagnostics {

namespace {

constexpr const char* kNotSupported = texts::diagnostics::TestNotSupported;
constexpr size_t kTagListBytes = 256 * 1024;
constexpr size_t kTagListSlots = kTagListBytes / sizeof(HostTagRec*);

// The built-in test tag: id 0, "AI" at address "AI", analog, every 500 ms, no
// initial value.
HostTagRec sampleTag()
{
    HostTagRec tag{};
    tag.TagId = 0;
    std::memcpy(tag.Name, "AI", 2);
    std::memcpy(tag.Address, "AI", 2);
    tag.ValueType = 0;
    tag.ReportInterval = 500;
    return tag;
}

void notSupported()
{
    ui::toolkit().messageBox(kNotSupported, systeminfo::DeviceName(), ui::MessageKind::Confirmation);
}

}  // namespace

TSampleTest::TSampleTest() { className = "TSampleTest"; }

bool RunDeviceTest(const OstrevanePDB& hostPDB, bool /*showWindow: the window is never shown*/)
{
    // Its notice goes through the process's one toolkit, perhaps over a wizard page.
    const ui::ModalSession session;
    auto window = std::make_unique<TSampleTest>();

    HostTagRec tag = sampleTag();
    std::unique_ptr<HostTagRec*[]> tagList(new (std::nothrow) HostTagRec*[kTagListSlots]());
    if (tagList) tagList[0] = &tag;
    bool told = false;
    if (!tagList) {
        notSupported();
        told = true;
    }

    // The private instance validates its configuration in place: it gets a copy.
    OstrevanePDB testPDB{};
    pdb::CopyPDB(hostPDB, testPDB);

    char* message = nullptr;
    const bool started = IniDriver(1, tagList.get(), &testPDB, &message) != 0;
    if (message) {
        window->StatusText = message;
        platform::hostRelease(message);
    }
    TBaseDLLObject* object = driver::currentObject();
    // A driver that could not start (port busy, initialisation lock not obtained)
    // ends the test without a word.
    if (started && object && object->TagCount < 1 && !told) notSupported();
    return false;
}

}  // namespace diagnostics
