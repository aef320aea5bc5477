// Line efficiency: how close the poll cycle comes to what the wire can carry.
//
// The simulator paces every byte at a real line's speed (10 bits a character) and
// answers each 8-character poll with a 10-character reply (" 25.0"), so one exchange
// holds the wire for 18 character times: 18.75 ms at 9600 baud, a wire limit of
// 9600 / (10 x 18) = 53.3 exchanges a second. The host calls OnDataRead on a steady
// 10 ms grid, as it does at the scan time the driver asks for. The driver looks at the
// port once a call, so an exchange lasts a whole number of calls: 2 calls (20 ms) at
// 9600 baud, 50 a second, 0.94 of the wire limit at best; 1 call at 19200 baud when the
// reply is complete within 10 ms of the request, else 2.
//
// Counters: exchanges_per_s (finished exchanges, from the driver's statistics),
// good_replies_per_s, wire_limit_per_s, efficiency (exchanges ÷ wire limit), time_outs,
// and late_calls (grid points missed because the machine was busy; a late call is made
// at once and the grid goes on from it).
//
// The third argument puts Debian's ser2net between the driver and the line (1 raw TCP,
// 2 RFC 2217), as a serial device server on the plant network would be; of_direct is
// the efficiency over that of the direct line at the same rate measured earlier in the run.
//
// Compiled without the GBK flags: it needs <chrono> and has no texts of its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "paced_line.h"

namespace {

using paced_line::numberTag;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kScanInterval = milliseconds(10);
constexpr auto kMeasured = std::chrono::seconds(5);
constexpr int kBitsPerCharacter = 10;
constexpr int kCharactersPerExchange = 8 + 10;  // poll and reply

struct Counts {
    double exchanges = 0;
    double goodReplies = 0;
    double timeouts = 0;
};

Counts countsNow()
{
    const TBaseDLLObject* object = driver::currentObject();
    if (!object) return {};
    return {static_cast<double>(object->Statistics.exchanges), object->Statistics.goodReplies,
            object->Statistics.timeouts};
}

// Calls OnDataRead on the 10 ms grid until `end`; returns the grid points missed.
int64_t scanUntil(Clock::time_point end, std::vector<TagDataRec>& records)
{
    int64_t late = 0;
    auto next = Clock::now();
    while (next < end) {
        uint32_t count = 0;
        char* message = nullptr;
        OnDataRead(&count, records.data(), &message);
        std::free(message);
        next += kScanInterval;
        const auto now = Clock::now();
        if (now > next) {
            late += (now - next) / kScanInterval + 1;
            next = now;
        }
        std::this_thread::sleep_until(next);
    }
    return late;
}

void LineEfficiency(benchmark::State& state)
{
    const auto baud = static_cast<uint32_t>(state.range(0));
    const auto baudCode = static_cast<uint8_t>(state.range(1));
    paced_line::LogElsewhere log;
    paced_line::PacedSimulator simulator({"--instrument", "1:808", "--value", "1:PV=25.0", "--value", "1:SP=30.5",
                                          "--value", "1:OP=42.0", "--value", "1:SL=17.5", "--pace",
                                          std::to_string(baud) + ":10"});
    if (!simulator.ready()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    const int64_t via = state.range(2);
    std::unique_ptr<paced_line::SerialDeviceServer> server;
    if (via != 0) server = std::make_unique<paced_line::SerialDeviceServer>(simulator.path(), log.folder(), via == 2);
    if (server && !server->ready()) {
        state.SkipWithError("ser2net did not start (scripts/install-deps.sh installs it)");
        return;
    }
    // Four parameters, four poll commands taken in turn.
    std::vector<HostTagRec> tags = {numberTag(1, "PV1:0.0"), numberTag(2, "SP1:0.0"), numberTag(3, "OP1:0.0"),
                                    numberTag(4, "SL1:0.0")};
    std::vector<HostTagRec*> pointers;
    for (HostTagRec& tag : tags) pointers.push_back(&tag);
    std::vector<TagDataRec> records(tags.size());
    OstrevanePDB pdb = paced_line::instruments808(1, baudCode);
    char* message = nullptr;
    const bool started = IniDriver(static_cast<uint32_t>(pointers.size()), pointers.data(), &pdb, &message);
    std::free(message);
    if (!started) {
        state.SkipWithError("IniDriver failed");
        return;
    }
    // The first exchanges (and the first pass, which never finishes one) are not measured.
    scanUntil(Clock::now() + milliseconds(500), records);

    Counts before, after;
    int64_t late = 0;
    std::chrono::duration<double> measured{};
    for (auto _ : state) {
        before = countsNow();
        const auto start = Clock::now();
        late = scanUntil(start + kMeasured, records);
        measured = Clock::now() - start;
        after = countsNow();
    }
    FreeDriver();
    driver::detach();

    const double seconds = measured.count();
    const double wireLimit = static_cast<double>(baud) / (kBitsPerCharacter * kCharactersPerExchange);
    const double exchangesPerSecond = (after.exchanges - before.exchanges) / seconds;
    state.counters["exchanges_per_s"] = exchangesPerSecond;
    state.counters["good_replies_per_s"] = (after.goodReplies - before.goodReplies) / seconds;
    state.counters["wire_limit_per_s"] = wireLimit;
    state.counters["efficiency"] = exchangesPerSecond / wireLimit;
    static std::map<uint32_t, double> directEfficiency;  // by baud rate
    if (via == 0) directEfficiency[baud] = exchangesPerSecond / wireLimit;
    if (via != 0 && directEfficiency[baud] > 0)
        state.counters["of_direct"] = exchangesPerSecond / wireLimit / directEfficiency[baud];
    state.counters["time_outs"] = after.timeouts - before.timeouts;
    state.counters["late_calls"] = static_cast<double>(late);
}
// Arguments: baud rate and its code in the configuration block; the way to the line
// (0 direct, 1 through ser2net raw, 2 through ser2net RFC 2217).
BENCHMARK(LineEfficiency)
    ->ArgNames({"baud", "code", "via"})
    ->Args({9600, 6, 0})
    ->Args({9600, 6, 1})
    ->Args({9600, 6, 2})
    ->Args({19200, 8, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
