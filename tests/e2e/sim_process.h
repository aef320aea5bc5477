// `ostrevane-sim --pty <arguments>` as a child process; OSTREVANE800_COM1 names its line (or
// the "--link PATH" given, which survives "unplug") while it runs. Every wait has a deadline.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "real_time.h"

namespace e2e {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& problem() const { return problem_; }  // why not ok()
    const std::string& path() const { return path_; }
    // One console line; its answer without the newline, or "" when none came in time.
    std::string command(const std::string& line, int waitMs = 3000);
    // command() that must answer "ok" or "ok ...": the text after "ok " (a test failure otherwise).
    std::string commandOk(const std::string& line, int waitMs = 3000);
    // "quit", then SIGKILL after `graceMs`: the exit status, -1 when not running.
    int stop(int graceMs = 2000);

private:
    std::string readLine(int waitMs);

    pid_t pid_ = -1;
    int console_ = -1;  // the child's standard input
    int output_ = -1;   // and its standard output
    std::string buffered_, path_, link_, problem_ = "no pipes to the simulator";
};

}  // namespace e2e
