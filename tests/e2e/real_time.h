// Real time, for tests against the simulator (standard types only: GBK test files include it).
#pragma once
#include <cstdint>

namespace e2e {

uint64_t steadyMs();             // milliseconds on a steady clock
void pauseMs(int milliseconds);  // a host's scan interval, never a wait for data

}  // namespace e2e
