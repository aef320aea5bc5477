#include <windows.h>

#include "real_time.h"

namespace e2e {

uint64_t steadyMs() { return GetTickCount64(); }

void pauseMs(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace e2e
