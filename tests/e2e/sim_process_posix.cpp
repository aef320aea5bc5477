#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "sim_process.h"

namespace e2e {

static constexpr const char* kCom = "OSTREVANE800_COM1";

SimProcess::SimProcess(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {OSTREVANE_SIM_PROGRAM, "--pty"});
    std::vector<char*> argv;
    for (size_t index = 0; index < arguments.size(); ++index) {
        argv.push_back(arguments[index].data());
        if (index > 0 && arguments[index - 1] == "--link") link_ = arguments[index];
    }
    argv.push_back(nullptr);
    int console[2], output[2];
    if (::pipe2(console, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) return;
    // The test writes console lines even after the child is gone; that must not kill it.
    ::signal(SIGPIPE, SIG_IGN);
    pid_ = ::fork();
    if (pid_ == 0) {  // its standard error stays the test's
        ::dup2(console[0], 0);
        ::dup2(output[1], 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(console[0]);
    ::close(output[1]);
    console_ = console[1];
    output_ = output[0];
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    const std::string first = readLine(5000);
    if (first.rfind("/dev/", 0) != 0) {
        problem_ = "the simulator did not name its line (first line '" + first + "')";
        return;
    }
    path_ = first;
    ::setenv(kCom, (link_.empty() ? path_ : link_).c_str(), 1);
}

SimProcess::~SimProcess()
{
    stop();
    if (!path_.empty()) ::unsetenv(kCom);
    if (output_ >= 0) ::close(output_);
}

std::string SimProcess::readLine(int waitMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(waitMs);
    size_t end = 0;
    while ((end = buffered_.find('\n')) == std::string::npos) {
        char buffer[512];
        const ssize_t got = output_ < 0 ? -1 : ::read(output_, buffer, sizeof buffer);
        if (got > 0)
            buffered_.append(buffer, static_cast<size_t>(got));
        else if (steadyMs() >= deadline)
            return {};
        else
            pauseMs(2);
    }
    std::string line = buffered_.substr(0, end);
    buffered_.erase(0, end + 1);
    return line;
}

std::string SimProcess::command(const std::string& line, int waitMs)
{
    const std::string text = line + "\n";
    if (console_ < 0 || ::write(console_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return {};
    return readLine(waitMs);
}

std::string SimProcess::commandOk(const std::string& line, int waitMs)
{
    const std::string answer = command(line, waitMs);
    if (answer == "ok" || answer.rfind("ok ", 0) == 0) return answer.substr(std::min<size_t>(3, answer.size()));
    ADD_FAILURE() << "simulator console '" << line << "' answered '" << answer << "'";
    return {};
}

int SimProcess::stop(int graceMs)
{
    if (pid_ <= 0) return -1;
    command("quit", 0);
    ::close(console_);
    console_ = -1;
    int status = -1;
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(graceMs);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (steadyMs() >= deadline) ::kill(pid_, SIGKILL);  // collected by the next look
        pauseMs(5);
    }
    pid_ = -1;
    return status;
}

uint64_t steadyMs()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void pauseMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace e2e
