// The simulator's console: one command per line on standard input, one answer line on
// standard output, "ok ..." or "error: ...". Tests steer the running simulator with it.
//
//   set DEV MN VALUE        value as for --value: 25.0, 20..30/10s or 25~5/60s
//   raw DEV MN TEXT         data characters sent unchanged (TEXT: the rest of the line)
//   get DEV MN              ok, then the data characters a poll returns now
//   fault [DEV] KIND ...    see the fault commands; fault [DEV] clear
//   faults                  the faults in force
//   pace BAUD:BITS | off    byte pacing of the line
//   trace on|off            hex trace on standard error
//   unplug DURATION         the pseudo-terminal goes away and a new one comes after
//                           DURATION (pty mode only), as an adapter pulled and put back
//   stats                   frame counters
//   list                    the instruments played
//   help, quit
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/line_schedule.h"
#include "sim/simulator.h"

namespace sim {

// What the console may change beside the instruments.
struct Session {
    Pace pace;
    bool trace = false;
    bool quit = false;
    bool pty = false;                     // the line is a pseudo-terminal, which can be unplugged
    bool unplugged = false;               // kept by the line's owner while the line is away
    std::optional<uint64_t> unplugForMs;  // asked for here, carried out by the line's owner
};

// The words of a line, separated by spaces or tabs.
std::vector<std::string_view> splitWords(std::string_view line);

// Runs one command line at `nowMs`; the answer line, or nothing for a blank or # line.
std::optional<std::string> runCommand(std::string_view line, Simulator& simulator, Session& session, uint64_t nowMs);

}  // namespace sim
