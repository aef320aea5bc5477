#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <iterator>

#include "Ostrevane800.h"
#include "e2e_host.h"

namespace {

// The driver logs below the current folder when the host names no project.
constexpr const char* kLogPath = "Debug\\Ostrevane800.Log";

std::string wholeLog()
{
    std::ifstream file(kLogPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

struct E2eHost::State {
    size_t logStart = 0;
};

E2eHost::E2eHost() : state_(std::make_unique<State>()) { state_->logStart = wholeLog().size(); }

E2eHost::~E2eHost() { FreeDriver(); }

// The runner serves COM1 with the simulator before the program starts.
bool E2eHost::lineReady() const { return true; }
std::string E2eHost::problem() const { return "COM1 is served by the runner"; }

std::string E2eHost::newLog() const
{
    const std::string log = wholeLog();
    // A log moved aside meanwhile (a new day, or grown too long) starts afresh.
    return log.size() >= state_->logStart ? log.substr(state_->logStart) : log;
}

std::string E2eHost::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}
