// The command line of ostrevane-sim.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/console.h"
#include "sim/instrument.h"
#include "sim/line_schedule.h"
#include "sim/simulator.h"

namespace sim {

// Character format of a real serial line.
struct LineFormat {
    int dataBits = 8;   // 5..8
    char parity = 'N';  // N, E or O
    int stopBits = 1;   // 1 or 2
};

struct Options {
    bool help = false;
    bool pty = false;
    std::string linkPath;  // a symbolic link that always names the current pseudo-terminal
    std::string devicePath;
    uint32_t baud = 9600;
    LineFormat format;
    struct PlayedInstrument {
        int device;
        InstrumentType type;
    };
    std::vector<PlayedInstrument> instruments;
    struct StartValue {
        int device;
        std::string mnemonic;
        ValueSource source;
    };
    std::vector<StartValue> values;
    std::vector<std::string> faults;  // each in the console's form without the word "fault"
    Pace pace;
    bool trace = false;
};

// Reads the arguments (without the program name). On failure the result is empty and
// `error` says why.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);
std::string usageText();

// Sets up the simulator and the session as the options say; false and `error` when
// they contradict each other (a value for a device not played, a bad fault).
bool configure(const Options& options, Simulator& simulator, Session& session, std::string& error);

}  // namespace sim
