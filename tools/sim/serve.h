// The simulator's contact with the operating system: the line, the console, signals and
// the clock. Everything it decides is left to the simulator, the console and the schedule.
#pragma once
#include "sim/console.h"
#include "sim/options.h"
#include "sim/simulator.h"

namespace sim {

// Opens the line the options name, prints its path as the first line of standard output,
// and serves it until the console says quit or SIGINT or SIGTERM arrives. Returns the
// program's exit status.
int serve(const Options& options, Simulator& simulator, Session& session);

}  // namespace sim
