#include <cstdlib>

#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
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
bool TestHost::clockControlled() const { return true; }
void TestHost::pass(uint32_t milliseconds) { state_->clock.advance(milliseconds + 1); }
void TestHost::setTick(uint32_t tick) { state_->clock.tick = tick; }
double TestHost::now() const { return platform::toOleDate(state_->clock.now); }
double TestHost::stampTolerance() const { return 0; }

bool TestHost::setQuality(uint32_t hostId, uint32_t quality)
{
    TBaseDLLObject* object = driver::currentObject();
    if (!object) return false;
    const int32_t position = object->TagIndex.find(hostId);
    if (position < 0) return false;
    object->TagTable.at(static_cast<size_t>(position))->quality = quality;
    return true;
}

std::string TestHost::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    std::free(text);
    return copy;
}
