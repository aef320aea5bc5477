// The Windows loader's notifications: process attach and detach load and unload
// the library's state; thread attach and detach give each host thread an empty
// slot and destroy the driver object a finished thread leaves behind.
#include <windows.h>

#include "driver/DLLMain.h"

namespace {

void handle(DWORD reason)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: driver::libraryInitialise(); break;
    case DLL_THREAD_ATTACH: driver::attach(); break;
    case DLL_THREAD_DETACH: driver::detach(); break;
    case DLL_PROCESS_DETACH:
        driver::detach();
        driver::libraryFinalise();
        break;
    default: break;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    // Nothing may unwind into the loader. A failed attach still loads the library:
    // the exports then answer with their own messages (e.g. "TLSEvent = 0").
    try {
        handle(reason);
    } catch (...) {
    }
    return TRUE;
}
