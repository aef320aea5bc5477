// A program as a child process: standard input from /dev/null, its output and errors
// in files of its folder that the test reads. (Standard types only: the host's tests
// are compiled for GBK texts.)
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "real_time.h"

inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class ProgramProcess {
public:
    // Starts `program` with `arguments` in `folder`, ZORVA_PATH removed from its environment.
    ProgramProcess(const std::string& program, std::vector<std::string> arguments, const std::string& folder)
        : folder_(folder)
    {
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& word : arguments) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<char*> environment;
        for (char** entry = environ; *entry; ++entry)
            if (std::string(*entry).rfind("ZORVA_PATH=", 0) != 0) environment.push_back(*entry);
        environment.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (folder + "/output.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (folder + "/errors.txt").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environment.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramProcess() { wait(0); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Waits until the standard output holds `text`, at most `deadlineMs`.
    bool waitForOutput(const std::string& text, int deadlineMs) const
    {
        const uint64_t end = e2e::steadyMs() + static_cast<uint64_t>(deadlineMs);
        for (; output().find(text) == std::string::npos; e2e::pauseMs(20))
            if (e2e::steadyMs() >= end) return false;
        return true;
    }
    void signal(int number) const
    {
        if (pid_ > 0) kill(pid_, number);
    }
    // The exit status; -1 when it ended by a signal or not within `deadlineMs` (it is then killed).
    int wait(int deadlineMs)
    {
        if (pid_ <= 0) return -1;
        const uint64_t end = e2e::steadyMs() + static_cast<uint64_t>(deadlineMs);
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && e2e::steadyMs() < end) e2e::pauseMs(20);
        if (done == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string output() const { return readFile(folder_ + "/output.txt"); }
    std::string errors() const { return readFile(folder_ + "/errors.txt"); }

private:
    pid_t pid_ = -1;
    std::string folder_;
};
