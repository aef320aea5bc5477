// The instrument simulator as a child process, for end-to-end tests through the
// driver's exports.
//
//     e2e::SimProcess sim({"--instrument", "1:808", "--value", "1:PV=25.0"});
//     ASSERT_TRUE(sim.ok()) << sim.problem();   // OSTREVANE800_COM1 now names its line
//     ... IniDriver, OnDataRead ...
//     EXPECT_EQ(sim.command("set 1 PV 30.5"), "ok");
//     EXPECT_GE(sim.stats().polls, 3u);
//
// The simulator runs as `ostrevane-sim --pty <arguments>`: it opens a pseudo-terminal
// and prints the slave's path as its first line; the constructor waits for that line
// and points OSTREVANE800_COM<n> at it, so the driver's port n is the simulator's line.
// With "--link PATH" among the arguments the variable names the link instead, which
// the simulator keeps pointing at its line across "unplug".
// The destructor ends the child (console "quit", then SIGKILL if it lingers) and
// restores the variable. Console commands go to the child's standard input, one line
// each, and each is answered by one line on its standard output ("ok ..." or
// "error: ..."). Standard error (the frame trace with --trace, and failures) is kept
// in a temporary file that trace() reads.
//
// Everything waits with a deadline; nothing here sleeps in the hope that time passes.
// The header uses only standard types so that test files compiled for GBK texts can
// include it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "real_time.h"

namespace e2e {

// The counters of the console command "stats".
struct SimStats {
    uint64_t polls = 0;
    uint64_t selects = 0;
    uint64_t acks = 0;
    uint64_t naks = 0;
    uint64_t otherAddress = 0;
    uint64_t silenced = 0;
    uint64_t noiseBytes = 0;
    bool valid = false;  // false when the answer could not be read
};

class SimProcess {
public:
    // Starts the simulator on a pseudo-terminal with `arguments` after "--pty" and
    // makes it the driver's port `comNumber` (1..10). Check ok() before using it.
    explicit SimProcess(std::vector<std::string> arguments, int comNumber = 1);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // True once the child runs and has named its line.
    bool ok() const { return !path_.empty(); }
    // Why ok() is false: what went wrong, with the child's standard error.
    std::string problem() const;
    // The pseudo-terminal's slave path, e.g. /dev/pts/3.
    const std::string& path() const { return path_; }
    // The --link path given, or "".
    const std::string& link() const { return link_; }

    // Sends one console line and returns its answer line without the newline
    // ("ok", "ok polls=3 ...", "error: ..."), or "" when none came within `waitMs`.
    std::string command(const std::string& line, int waitMs = 3000);
    // command() that must answer with "ok" or "ok ...": the text after "ok " ("" for a
    // bare "ok"); records a test failure (gtest EXPECT) and returns "" otherwise.
    std::string commandOk(const std::string& line, int waitMs = 3000);
    // The "stats" counters.
    SimStats stats();

    // Everything the child wrote to standard error so far (the --trace lines).
    std::string trace() const;

    // Ends the child: "quit" on the console, then SIGKILL after `graceMs`. Returns the
    // exit status from waitpid (0 for a clean quit), -1 when it was not running.
    // Safe to call twice; the destructor calls it.
    int stop(int graceMs = 2000);

private:
    std::string readLine(int waitMs);

    pid_t pid_ = -1;
    int console_ = -1;  // child's standard input
    int output_ = -1;   // child's standard output
    int comNumber_;
    std::string comVariable_;
    std::string previousCom_;
    bool hadPreviousCom_ = false;
    std::string errorFile_;
    std::string buffered_;
    std::string path_;
    std::string link_;
    std::string problem_;
};

// Calls `step` (e.g. one OnDataRead) until `done` returns true or `deadlineMs` of real
// time have passed, pausing `intervalMs` between calls as a host scanning its driver
// does. Returns whether `done` became true. Tests pass on the data `done` inspects,
// never on how long it took.
bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done, int deadlineMs,
               int intervalMs = 10);

}  // namespace e2e
