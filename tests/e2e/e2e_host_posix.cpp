#include <cstdlib>
#include <fstream>

#include "driver/DLLMain.h"
#include "e2e_host.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

// The options of standard-instruments.args, comments and blank lines left out.
std::vector<std::string> standardInstruments()
{
    std::vector<std::string> arguments;
    std::ifstream file(OSTREVANE_E2E_INSTRUMENTS);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() != '#') arguments.push_back(line);
    }
    return arguments;
}

}  // namespace

struct E2eHost::State {
    testing_support::LogRedirect log;
    e2e::SimProcess simulator{standardInstruments()};
};

E2eHost::E2eHost() : state_(std::make_unique<State>()) {}

E2eHost::~E2eHost()
{
    FreeDriver();
    driver::detach();
}

bool E2eHost::lineReady() const { return state_->simulator.ok(); }
std::string E2eHost::problem() const { return state_->simulator.problem(); }
std::string E2eHost::newLog() const { return state_->log.content(); }

std::string E2eHost::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    std::free(text);
    return copy;
}
