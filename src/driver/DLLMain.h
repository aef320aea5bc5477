// Process-wide state of the library: the per-thread slot of driver objects, the
// initialisation lock and the branding record. The version texts it reads at load
// live in sysinfo (processVersions), where the lower layers read them.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Ostrevane800.h"
#include "platform/sync.h"

class TBaseDLLObject;

namespace driver {

struct Branding {
    void* bitmap = nullptr;  // the library carries no "PRODUCT" bitmap
    std::string caption;     // string resource 50000, at most 254 characters
    std::string secondText;  // string resource 40000
};

struct ProcessState {
    std::unique_ptr<platform::AutoResetEvent> TLSEvent;
    Branding branding;
};

// The state, created by the first attach.
ProcessState& process();

// Library load: allocate the slot, run the attach steps, create TLSEvent.
void libraryInitialise();
// Library unload: close TLSEvent, free the slot (objects still held are destroyed).
void libraryFinalise();
// Process and thread attach: version texts, branding, log path, empty slot.
void attach();
// Process and thread detach: destroy the calling thread's driver object.
void detach();

// The calling thread's driver object, or nullptr.
TBaseDLLObject* currentObject();
void setCurrentObject(TBaseDLLObject* object);
// Destroys a driver object (the destruction steps, then the memory).
void destroyObject(TBaseDLLObject* object);

}  // namespace driver
