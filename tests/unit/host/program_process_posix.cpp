#include "program_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "real_time.h"

extern char** environ;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

ProgramProcess::ProgramProcess(const std::string& program, std::vector<std::string> arguments,
                               const std::string& folder)
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

bool ProgramProcess::waitForOutput(const std::string& text, int deadlineMs) const
{
    const uint64_t end = e2e::steadyMs() + static_cast<uint64_t>(deadlineMs);
    while (output().find(text) == std::string::npos) {
        if (e2e::steadyMs() >= end) return false;
        e2e::pauseMs(20);
    }
    return true;
}

void ProgramProcess::signal(int number) const
{
    if (pid_ > 0) kill(pid_, number);
}

int ProgramProcess::wait(int deadlineMs)
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

std::string ProgramProcess::output() const { return readFile(folder_ + "/output.txt"); }
std::string ProgramProcess::errors() const { return readFile(folder_ + "/errors.txt"); }
