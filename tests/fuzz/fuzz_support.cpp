#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>

#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/DLLLog.h"

namespace fuzzing {

testing_support::FakeClock& environment()
{
    static testing_support::FakeClock* clock = [] {
        driver::libraryInitialise();
        // /dev/null is no folder: the log's folder cannot be made, every append fails quietly.
        logfile::setLogFileName("/dev/null/Debug/Ostrevane800.Log");
        for (int n = 1; n <= 10; ++n) {
            const std::string name = "OSTREVANE800_COM" + std::to_string(n);
            setenv(name.c_str(), ("/nonexistent/ostrevane-fuzz-com" + std::to_string(n)).c_str(), 1);
        }
        return new testing_support::FakeClock();
    }();
    return *clock;
}

void useLineForCom1()
{
    environment();
    static testing_support::PseudoTerminal* line = new testing_support::PseudoTerminal(1);
    if (!line->ok()) std::abort();
    char buffer[4096];
    while (read(line->master(), buffer, sizeof buffer) > 0) {
    }
}

void endDriver()
{
    FreeDriver();
    if (TBaseDLLObject* object = driver::currentObject()) {
        driver::setCurrentObject(nullptr);
        driver::destroyObject(object);
    }
}

void release(char* text) { std::free(text); }

void resetClock()
{
    testing_support::FakeClock& clock = environment();
    clock.tick = 1000;
    clock.now = platform::LocalDateTime{2026, 12, 6, 10, 30, 15, 0};
}

}  // namespace fuzzing
