// Real time for the end-to-end tests, which run against a simulator in real time.
// (A header of standard types only: test files compiled for GBK texts include it.)
#pragma once
#include <cstdint>

namespace e2e {

// Milliseconds on a steady clock.
uint64_t steadyMs();
// Lets `milliseconds` of real time pass: a host's scan interval, never a wait for data.
void pauseMs(int milliseconds);

}  // namespace e2e
