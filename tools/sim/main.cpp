// ostrevane-sim: instruments of the 808/847 family on a serial line or a pseudo-terminal,
// for testing the driver end to end without hardware. See --help.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/serve.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = sim::parseOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "ostrevane-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(sim::usageText().c_str(), stdout);
        return 0;
    }
    sim::Simulator simulator;
    sim::Session session;
    if (!sim::configure(*options, simulator, session, error)) {
        std::fprintf(stderr, "ostrevane-sim: %s\n", error.c_str());
        return 2;
    }
    return sim::serve(*options, simulator, session);
}
