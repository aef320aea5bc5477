#include <cstdlib>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "platform/calendar.h"
#include "support/test_support.h"
#include "test_host.h"

struct TestHost::State {
    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    testing_support::PseudoTerminal line{1};
};

TestHost::TestHost() : state_(std::make_unique<State>()) { driver::libraryInitialise(); }

TestHost::~TestHost()
{
    FreeDriver();
    driver::detach();
}

bool TestHost::lineReady() const { return state_->line.ok(); }
void TestHost::pass(uint32_t milliseconds) { state_->clock.advance(milliseconds + 1); }
double TestHost::now() const { return platform::toOleDate(state_->clock.now); }
double TestHost::stampTolerance() const { return 0; }

std::string TestHost::take(char* text) { return testing_support::takeHostText(text); }
