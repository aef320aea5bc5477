#include "fuzz_support.h"

#include <unistd.h>

#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/DLLLog.h"

namespace fuzzing {

static testing_support::FakeClock* theClock = nullptr;

testing_support::FakeClock& begin(bool line)
{
    if (!theClock) {
        driver::libraryInitialise();
        // /dev/null is no folder: the log's folder cannot be made, every append fails quietly.
        logfile::setLogFileName("/dev/null/Debug/Ostrevane800.Log");
        for (int n = 1; n <= 10; ++n)
            setenv(("OSTREVANE800_COM" + std::to_string(n)).c_str(),
                   ("/nonexistent/ostrevane-fuzz-com" + std::to_string(n)).c_str(), 1);
        theClock = new testing_support::FakeClock();
    }
    if (line) {
        static testing_support::PseudoTerminal* com1 = new testing_support::PseudoTerminal(1);
        if (!com1->ok()) std::abort();
        char buffer[4096];
        while (read(com1->master(), buffer, sizeof buffer) > 0) {
        }
    }
    theClock->tick = 1000;
    theClock->now = platform::LocalDateTime{2026, 12, 6, 10, 30, 15, 0};
    return *theClock;
}

bool startDriver(std::vector<HostTagRec*> list, OstrevanePDB block)
{
    HostTagRec* none[1] = {nullptr};
    char* message = nullptr;
    const bool started =
        IniDriver(static_cast<uint32_t>(list.size()), list.empty() ? none : list.data(), &block, &message);
    std::free(message);
    return started;
}

void releaseTexts(const TagDataRec* records, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        if (records[i].ValueType == OSTREVANE_VALUE_TEXT) std::free(records[i].Value.Text);
}

void readRounds(size_t tags, int rounds, uint32_t stepMs)
{
    std::vector<TagDataRec> values(tags + 1);
    for (int round = 0; round < rounds; ++round) {
        uint32_t reported = 0;
        char* message = nullptr;
        OnDataRead(&reported, values.data(), &message);
        std::free(message);
        releaseTexts(values.data(), reported);
        theClock->advance(stepMs);
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

}  // namespace fuzzing
