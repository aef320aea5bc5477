// The instrument simulator as a child process: `ostrevane-sim --pty <arguments>`. It
// names its pseudo-terminal's slave on its first output line; the constructor waits
// for it and points OSTREVANE800_COM<n> at it (or at the "--link PATH" given, which
// the simulator keeps pointing at its line across "unplug"). Console commands go to
// its standard input and each is answered by one line ("ok ..." or "error: ...").
// Its standard error (the frame trace with --trace) goes to a file that trace() reads.
// The destructor ends it and restores the variable. Every wait has a deadline.
// Standard types only: test files compiled for GBK texts include it.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
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
    explicit SimProcess(std::vector<std::string> arguments, int comNumber = 1);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !path_.empty(); }
    // Why ok() is false, with the child's standard error.
    std::string problem() const;
    const std::string& path() const { return path_; }
    const std::string& link() const { return link_; }

    // One console line; its answer without the newline, or "" when none came in time.
    std::string command(const std::string& line, int waitMs = 3000);
    // command() that must answer "ok" or "ok ...": the text after "ok " (a test
    // failure otherwise).
    std::string commandOk(const std::string& line, int waitMs = 3000);
    SimStats stats();
    std::string trace() const;
    // "quit", then SIGKILL after `graceMs`: the waitpid status, -1 when not running.
    int stop(int graceMs = 2000);

private:
    std::string readLine(int waitMs);

    pid_t pid_ = -1;
    FILE* console_ = nullptr;  // the child's standard input
    int output_ = -1;          // reads the file that is the child's standard output
    std::string outputFile_;
    std::string comVariable_;
    std::string previousCom_;
    bool hadPreviousCom_ = false;
    std::string errorFile_;
    std::string buffered_;
    std::string path_;
    std::string link_;
    std::string problem_;
};

// Calls `step` every `intervalMs` until `done` or `deadlineMs` of real time pass.
bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done, int deadlineMs,
               int intervalMs = 10);

}  // namespace e2e
