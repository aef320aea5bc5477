// A program as a child process: standard input from /dev/null, its output and errors
// in files of its folder that the test reads. (Standard types only: the host's tests
// are compiled for GBK texts.)
#pragma once
#include <sys/types.h>
#include <string>
#include <vector>

class ProgramProcess {
public:
    // Starts `program` with `arguments` in `folder`, ZORVA_PATH removed from its environment.
    ProgramProcess(const std::string& program, std::vector<std::string> arguments, const std::string& folder);
    ~ProgramProcess() { wait(0); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Waits until the standard output holds `text`, at most `deadlineMs`.
    bool waitForOutput(const std::string& text, int deadlineMs) const;
    void signal(int number) const;
    // The exit status; -1 when it ended by a signal or not within `deadlineMs` (it is then killed).
    int wait(int deadlineMs);
    std::string output() const;
    std::string errors() const;

private:
    pid_t pid_ = -1;
    std::string folder_;
};
