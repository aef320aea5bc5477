// ostrevane-host as a child process: its output goes to files the test reads.
// (Standard types only: the test files are compiled for GBK texts.)
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

class HostProcess {
public:
    // Starts the program with `arguments` in `folder` (the driver's ./Debug lands there),
    // standard input from /dev/null, ZORVA_PATH removed from its environment.
    HostProcess(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits until the standard output holds `text`, at most `deadlineMs`.
    bool waitForOutput(const std::string& text, int deadlineMs);
    // Sends a signal (SIGINT is Ctrl-C).
    void signal(int number);
    // Waits for the end, at most `deadlineMs`; the exit status, or -1 when it did not
    // end (it is then killed) or ended by a signal.
    int wait(int deadlineMs);

    std::string output() const;
    std::string errors() const;

private:
    pid_t pid_ = -1;
    std::string outputFile_;
    std::string errorFile_;
};
