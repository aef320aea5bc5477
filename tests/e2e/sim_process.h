// Programs as child processes, and `ostrevane-sim --pty <arguments>` as one whose line
// OSTREVANE800_COM1 names (or the "--link PATH" given, which survives "unplug") while it
// runs. Every wait has a deadline.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "real_time.h"

namespace e2e {

// Output (with errors) on a pipe, input empty; or, for a program with a `console`,
// input and output on pipes and errors left to the test.
class ChildProcess {
public:
    ChildProcess(const std::string& program, std::vector<std::string> arguments, const std::string& folder = {},
                 bool console = false);
    ~ChildProcess() { wait(0); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool send(const std::string& text);
    void closeInput();
    // The next line of output without its newline, or "" when none came in time.
    std::string readLine(int waitMs);
    bool waitForOutput(const std::string& text, int waitMs);
    const std::string& output();  // everything it wrote so far
    void signal(int number) const;
    // The exit status; -1 when it ended by a signal or not within `waitMs` (it is then killed).
    int wait(int waitMs);

private:
    bool readSome();

    pid_t pid_ = -1;
    int input_ = -1, output_ = -1;
    std::string all_;
    size_t lineStart_ = 0;
};

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments);
    ~SimProcess();

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
    ChildProcess child_;
    std::string path_, problem_;
};

}  // namespace e2e
