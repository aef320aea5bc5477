#include "host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "real_time.h"

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

HostProcess::HostProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder)
    : outputFile_(folder + "/host-output.txt"), errorFile_(folder + "/host-errors.txt")
{
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    // Everything the child needs is made before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::string(*entry).rfind("ZORVA_PATH=", 0) != 0) environment.push_back(*entry);
    environment.push_back(nullptr);
    pid_ = fork();
    if (pid_ != 0) return;
    const int input = open("/dev/null", O_RDONLY);
    const int output = open(outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int error = open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0 || error < 0 || chdir(folder.c_str()) != 0) _exit(126);
    dup2(input, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(error, STDERR_FILENO);
    execve(argv[0], argv.data(), environment.data());
    _exit(127);
}

HostProcess::~HostProcess()
{
    if (pid_ > 0) wait(0);
}

bool HostProcess::waitForOutput(const std::string& text, int deadlineMs)
{
    const uint64_t end = e2e::steadyMs() + static_cast<uint64_t>(deadlineMs);
    while (output().find(text) == std::string::npos) {
        if (e2e::steadyMs() >= end) return false;
        e2e::pauseMs(20);
    }
    return true;
}

void HostProcess::signal(int number)
{
    if (pid_ > 0) kill(pid_, number);
}

int HostProcess::wait(int deadlineMs)
{
    if (pid_ <= 0) return -1;
    const uint64_t end = e2e::steadyMs() + static_cast<uint64_t>(deadlineMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (done < 0) {
            pid_ = -1;
            return -1;
        }
        if (e2e::steadyMs() >= end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        e2e::pauseMs(20);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string HostProcess::output() const { return readFile(outputFile_); }
std::string HostProcess::errors() const { return readFile(errorFile_); }
