// A silent instrument on a shared line: what it costs the instruments that answer.
//
// Eight 808 instruments on one line at 9600 baud (ostrevane-sim paced at 10 bits a
// character), each with `parameters` parameters, one poll command each. Two such lines
// run side by side, each with its own simulator, pseudo-terminal (COM1, COM2), host
// thread and driver object, the host calling OnDataRead on a steady 10 ms grid: on one
// line all eight answer, on the other instrument 8 is silent from the start (powered off,
// a broken drop cable). Both are counted from IniDriver on, because a silent instrument
// costs most just after the host starts.
//
// ratio_Ns: accepted replies per answering instrument on the silent line in the first
// N seconds, divided by the same on the all-answering line. If the silent instrument cost
// nothing the seven others would share its time: 8/7 = 1.14.
//
// Then instrument 8 answers again: first_reply_s is the time from then to its first
// accepted reply, all_good_s to all of its tags being good (at most 150 s is waited).
// late_calls: grid points missed because the machine was busy.
//
// Compiled without the GBK flags: it needs <chrono> and has no texts of its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "paced_line.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr auto kScanInterval = std::chrono::milliseconds(10);
constexpr auto kLongestReturn = std::chrono::seconds(150);
constexpr int kInstruments = 8;
constexpr int kSilent = 8;
constexpr uint8_t kBaud9600 = 6;
// Mnemonics of parameters every 808 answers, in the order their commands are listed.
const char* const kMnemonics[] = {"PV", "SP", "OP", "SL", "HS", "LS", "1H", "1L", "SW", "OS",
                                  "XS", "ER", "HA", "LA", "DA", "XP", "TI", "TD", "HB", "LB"};

struct Counts {
    double exchanges = 0;
    double timeouts = 0;
};

struct LineResult {
    bool started = false;
    std::vector<Counts> windows;
    double firstReply = -1;  // s from the instrument's return; -1: not within kLongestReturn
    double allGood = -1;
    int64_t late = 0;
};

// OnDataRead on the 10 ms grid, as a host does.
class Host {
public:
    // Calls until `end`, or until `done` holds after a call.
    void scanUntil(Clock::time_point end, const std::function<bool()>& done = {})
    {
        while (next_ < end) {
            uint32_t count = 0;
            char* message = nullptr;
            OnDataRead(&count, records_.data(), &message);
            std::free(message);
            if (done && done()) return;
            next_ += kScanInterval;
            const auto now = Clock::now();
            if (now > next_) {
                late += (now - next_) / kScanInterval + 1;
                next_ = now;
            }
            std::this_thread::sleep_until(next_);
        }
    }

    explicit Host(size_t tags) : records_(tags) {}
    int64_t late = 0;

private:
    std::vector<TagDataRec> records_;
    Clock::time_point next_ = Clock::now();
};

std::vector<std::string> simulatorArguments(int parameters, bool silent)
{
    std::vector<std::string> arguments = {"--pace", "9600:10"};
    for (int device = 1; device <= kInstruments; ++device) {
        arguments.insert(arguments.end(), {"--instrument", std::to_string(device) + ":808"});
        for (int p = 0; p < parameters; ++p)
            arguments.insert(arguments.end(), {"--value", std::to_string(device) + ":" + kMnemonics[p] + "=25.0"});
    }
    if (silent) arguments.insert(arguments.end(), {"--fault", std::to_string(kSilent) + " silence on"});
    return arguments;
}

Counts countsNow(const TBaseDLLObject& object)
{
    return {double(object.Statistics.exchanges), object.Statistics.timeouts};
}

// One line on its own host thread. With `returning`, instrument 8 answers again after
// the last window and the time until it is polled normally again is taken.
LineResult runLine(int port, int parameters, const std::vector<int>& windows, paced_line::PacedSimulator* returning)
{
    LineResult result;
    std::vector<HostTagRec> tags;
    for (int device = 1; device <= kInstruments; ++device) {
        for (int p = 0; p < parameters; ++p)
            tags.push_back(paced_line::numberTag(static_cast<uint32_t>(tags.size() + 1),
                                                 kMnemonics[p] + std::to_string(device) + ":0.0"));
    }
    std::vector<HostTagRec*> pointers;
    for (HostTagRec& tag : tags) pointers.push_back(&tag);
    OstrevanePDB pdb = paced_line::instruments808(kInstruments, kBaud9600, port);
    char* message = nullptr;
    result.started = IniDriver(static_cast<uint32_t>(pointers.size()), pointers.data(), &pdb, &message);
    std::free(message);
    const TBaseDLLObject* object = driver::currentObject();
    if (!result.started || !object) return result;

    Host host(tags.size());
    const auto start = Clock::now();
    for (const int seconds : windows) {
        host.scanUntil(start + std::chrono::seconds(seconds));
        result.windows.push_back(countsNow(*object));
    }
    if (returning) {
        returning->command("fault " + std::to_string(kSilent) + " silence off");
        const auto back = Clock::now();
        const auto allGood = [object] {
            for (const auto& tag : object->TagTable) {
                if (tag->deviceNo == kSilent && !tag->internalTag && tag->quality != OSTREVANE_QUALITY_GOOD)
                    return false;
            }
            return true;
        };
        host.scanUntil(back + kLongestReturn, [&] { return object->DevFailCount[kSilent] == 0; });
        if (object->DevFailCount[kSilent] == 0) result.firstReply = Seconds(Clock::now() - back).count();
        host.scanUntil(back + kLongestReturn, allGood);
        if (allGood()) result.allGood = Seconds(Clock::now() - back).count();
    }
    result.late = host.late;
    FreeDriver();
    driver::detach();
    return result;
}

// Accepted replies per answering instrument.
double healthyPerInstrument(const Counts& counts, int answering)
{
    return (counts.exchanges - counts.timeouts) / answering;
}

void SilentInstrument(benchmark::State& state)
{
    const auto parameters = static_cast<int>(state.range(0));
    std::vector<int> windows = {60};
    if (state.range(1) > 60) windows.push_back(static_cast<int>(state.range(1)));
    paced_line::LogElsewhere log;
    paced_line::PacedSimulator answering(simulatorArguments(parameters, false), 1);
    paced_line::PacedSimulator silent(simulatorArguments(parameters, true), 2);
    if (!answering.ready() || !silent.ready()) {
        state.SkipWithError("a simulator did not start");
        return;
    }
    LineResult all, one;
    for (auto _ : state) {
        std::thread allLine([&] { all = runLine(1, parameters, windows, nullptr); });
        std::thread silentLine([&] { one = runLine(2, parameters, windows, &silent); });
        allLine.join();
        silentLine.join();
    }
    if (!all.started || !one.started || all.windows.size() != windows.size() || one.windows.size() != windows.size()) {
        state.SkipWithError("IniDriver failed");
        return;
    }
    std::printf("\n%d parameters per instrument\n| window | all answering: exchanges | one silent: exchanges, "
                "time-outs | healthy exchanges per answering instrument, silent run / all-answering run |\n",
                parameters);
    for (size_t w = 0; w < windows.size(); ++w) {
        const double ratio =
            healthyPerInstrument(one.windows[w], kInstruments - 1) / healthyPerInstrument(all.windows[w], kInstruments);
        const std::string suffix = "_" + std::to_string(windows[w]) + "s";
        state.counters["ratio" + suffix] = ratio;
        state.counters["all_exchanges" + suffix] = all.windows[w].exchanges;
        state.counters["silent_exchanges" + suffix] = one.windows[w].exchanges;
        state.counters["silent_time_outs" + suffix] = one.windows[w].timeouts;
        std::printf("| %d s | %.0f | %.0f, %.0f | %.2f |\n", windows[w], all.windows[w].exchanges,
                    one.windows[w].exchanges, one.windows[w].timeouts, ratio);
    }
    std::printf("instrument %d answering again: first accepted reply after %.2f s, all its tags good after %.2f s\n\n",
                kSilent, one.firstReply, one.allGood);
    state.counters["first_reply_s"] = one.firstReply;
    state.counters["all_good_s"] = one.allGood;
    state.counters["late_calls"] = static_cast<double>(all.late + one.late);
}
// Arguments: parameters per instrument, and the longest window in seconds.
BENCHMARK(SilentInstrument)
    ->ArgNames({"parameters", "seconds"})
    ->Args({4, 180})
    ->Args({20, 60})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
