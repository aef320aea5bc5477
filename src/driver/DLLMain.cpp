#include "driver/DLLMain.h"

#include <cstring>
#include <mutex>

#include "framework/DLLBase.h"
#include "framework/DLLLog.h"
#include "platform/host_memory.h"
#include "platform/thread_slot.h"

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
        state.hostVersion = systeminfo::readVersionInfo(kHostExecutable);
        // The driver's texts are read twice in a row, as the loader always did; the result is the same.
        state.driverVersion = systeminfo::readDriverVersionInfo();
        state.driverVersion = systeminfo::readDriverVersionInfo();
        state.branding = Branding{};  // no "PRODUCT" bitmap: no brand texts
        logfile::setLogFileName(logfile::computeLogFileName(state.hostVersion.hostFolder));
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

char* NewHostStr(const std::string& text)
{
    if (text.empty()) return nullptr;
    char* buffer = static_cast<char*>(platform::hostAllocate(text.size() + 1));
    if (!buffer) return nullptr;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    return buffer;
}

void handOver(char** target, const std::string& text)
{
    if (target) *target = NewHostStr(text);
}

const std::string& DeviceName() { return process().driverVersion.DeviceName; }
const std::string& DevTypeName() { return process().driverVersion.DevTypeName; }
const std::string& DevIDName() { return process().driverVersion.DevIDName; }
const std::string& ChnName() { return process().driverVersion.ChnName; }

}  // namespace driver
