#include "driver/DLLMain.h"

#include <mutex>

#include "framework/DLLBase.h"
#include "framework/DLLLog.h"
#include "platform/thread_slot.h"
#include "sysinfo/version_info.h"

namespace driver {
namespace {

std::once_flag initialised;

void destroyHeldObject(void* object) { destroyObject(static_cast<TBaseDLLObject*>(object)); }

// The host's runtime executable, looked up by name alone.
constexpr const char* kHostExecutable = "Hylex.exe";

// The state lives from the library's load to its unload. It is not a static: at
// process exit the C++ runtime destroys statics before the unload step runs, and
// that step still needs the state to end the objects that threads left behind.
ProcessState* state = nullptr;

}  // namespace

ProcessState& process()
{
    if (!state) state = new ProcessState;
    return *state;
}

void libraryInitialise()
{
    std::call_once(initialised, [] {
        platform::allocateThreadSlot(&destroyHeldObject);
        ProcessState& state = process();
        systeminfo::ProcessVersions& versions = systeminfo::processVersions();
        versions.hostVersion = systeminfo::readVersionInfo(kHostExecutable);
        // The driver's texts are read twice in a row, as the loader always did; the result is the same.
        versions.driverVersion = systeminfo::readDriverVersionInfo();
        versions.driverVersion = systeminfo::readDriverVersionInfo();
        state.branding = Branding{};  // no "PRODUCT" bitmap: no brand texts
        logfile::setLogFileName(logfile::computeLogFileName(versions.hostVersion.hostFolder));
        platform::threadSlotSet(nullptr);
        state.TLSEvent = platform::createAutoResetEvent(true);
    });
}

void libraryFinalise()
{
    // Objects still held are ended first: they write their statistics to the log.
    platform::freeThreadSlot();
    logfile::releaseLogFileName();
    delete state;
    state = nullptr;
    systeminfo::releaseProcessVersions();
}

void attach()
{
    // A new thread starts without a driver object. The version texts and the log path
    // are process-wide and do not change while the library is loaded.
    platform::threadSlotSet(nullptr);
}

void detach() { platform::destroyThreadSlotObject(); }

TBaseDLLObject* currentObject() { return static_cast<TBaseDLLObject*>(platform::threadSlotGet()); }

void setCurrentObject(TBaseDLLObject* object) { platform::threadSlotSet(object); }

void destroyObject(TBaseDLLObject* object)
{
    try {
        delete object;
    } catch (...) {
    }
}

}  // namespace driver
