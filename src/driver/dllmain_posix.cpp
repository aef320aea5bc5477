// Library load and unload on POSIX: the same steps as a Windows process attach
// and detach. Threads need no attach step; each starts with an empty slot.
#include "driver/DLLMain.h"

namespace {

__attribute__((constructor)) void libraryLoaded() { driver::libraryInitialise(); }

__attribute__((destructor)) void libraryUnloaded() { driver::libraryFinalise(); }

}  // namespace
