// The instrument simulator as a child process, `ostrevane-sim --pty <arguments>`: the
// constructor waits for the line it names and points OSTREVANE800_COM<n> at it (or at
// the "--link PATH" given, which stays pointing at the line across "unplug"); the
// destructor ends it and restores the variable. Console commands go to its standard
// input, each answered by one line ("ok ..." or "error: ..."); trace() reads its
// standard error (the frame trace with --trace). Every wait has a deadline. Standard
// types only: test files compiled for GBK texts include it.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "real_time.h"

namespace e2e {

// The counters of the console command "stats"; `valid` when the answer was read.
struct SimStats {
    uint64_t polls = 0;
    uint64_t selects = 0;
    uint64_t acks = 0;
    uint64_t naks = 0;
    uint64_t otherAddress = 0;
    uint64_t silenced = 0;
    uint64_t noiseBytes = 0;
    bool valid = false;
};

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments, int comNumber = 1);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !path_.empty(); }
    std::string problem() const;  // why not ok(), with the child's standard error
    const std::string& path() const { return path_; }
    const std::string& link() const { return link_; }

    // One console line; its answer without the newline, or "" when none came in time.
    std::string command(const std::string& line, int waitMs = 3000);
    // command() that must answer "ok" or "ok ...": the text after "ok " (a test
    // failure otherwise).
    std::string commandOk(const std::string& line, int waitMs = 3000);
    SimStats stats();
    std::string trace() const;
    // "quit", then SIGKILL after `graceMs`: the exit status, -1 when not running.
    int stop(int graceMs = 2000);

private:
    std::string readLine(int waitMs);

    pid_t pid_ = -1;
    FILE* console_ = nullptr;  // the child's standard input
    int output_ = -1;          // reads the file that is the child's standard output
    std::string outputFile_, errorFile_, buffered_, path_, link_, problem_, comVariable_, previousCom_;
    bool hadPreviousCom_ = false;
};

// Calls `step` every `intervalMs` until `done` or `deadlineMs` of real time pass.
bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done, int deadlineMs,
               int intervalMs = 10);

}  // namespace e2e
