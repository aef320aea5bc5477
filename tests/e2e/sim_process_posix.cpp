#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "sim_process.h"

namespace e2e {

namespace {

std::string shellWord(const std::string& text)
{
    std::string result = "'";
    for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

constexpr const char* kCom = "OSTREVANE800_COM1";

}  // namespace

SimProcess::SimProcess(std::vector<std::string> arguments)
{
    const char* folder = std::getenv("TMPDIR");
    outputFile_ = std::string(folder && *folder ? folder : "/tmp") + "/ostrevane-sim-XXXXXX";
    output_ = ::mkostemp(outputFile_.data(), O_CLOEXEC);
    errorFile_ = outputFile_ + ".err";
    // The shell names its process, which exec hands on to the simulator.
    std::string command = "exec >" + shellWord(outputFile_) + " 2>" + shellWord(errorFile_) + "; echo $$; exec " +
                          shellWord(OSTREVANE_SIM_PROGRAM) + " --pty";
    for (size_t index = 0; index < arguments.size(); ++index) {
        command += " " + shellWord(arguments[index]);
        if (index > 0 && arguments[index - 1] == "--link") link_ = arguments[index];
    }
    // The test writes console lines even after the child is gone; that must not kill it.
    ::signal(SIGPIPE, SIG_IGN);
    console_ = output_ < 0 ? nullptr : ::popen(command.c_str(), "we");
    pid_ = std::atoi(readLine(5000).c_str());
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
    ::unlink(outputFile_.c_str());
    ::unlink(errorFile_.c_str());
}

std::string SimProcess::problem() const
{
    std::ifstream file(errorFile_, std::ios::binary);
    const std::string errors(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>{});
    return (problem_.empty() ? std::string("no problem") : problem_) + "; its standard error: " + errors;
}

// The child's standard output is a file: a line is there once its newline is.
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
    if (!console_ || std::fputs((line + "\n").c_str(), console_) < 0 || std::fflush(console_) != 0) return {};
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
    if (!console_) return -1;
    command("quit", 0);
    // Looks whether it ended without collecting it: pclose does that.
    siginfo_t ended{};
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(graceMs);
    while (pid_ > 0 && ::waitid(P_PID, pid_, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0 &&
           steadyMs() < deadline)
        pauseMs(5);
    if (pid_ > 0 && ended.si_pid == 0) ::kill(pid_, SIGKILL);
    const int status = ::pclose(console_);
    console_ = nullptr;
    return status;
}

uint64_t steadyMs()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void pauseMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace e2e
