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

ChildProcess::ChildProcess(const std::string& program, std::vector<std::string> arguments, const std::string& folder,
                           bool console)
{
    arguments.insert(arguments.begin(), program);
    std::vector<char*> words;
    for (std::string& word : arguments) words.push_back(word.data());
    words.push_back(nullptr);
    int input[2], output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) return;
    // The test writes to a child that may be gone; that must not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(input[0], 0);
        ::dup2(output[1], 1);
        if (!console) ::dup2(output[1], 2);
        ::unsetenv("ZORVA_PATH");  // the host's own search path must not leak in from the machine
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
        ::execv(words[0], words.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    input_ = input[1];
    output_ = output[0];
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    if (!console) closeInput();  // a program run by hand reads an empty input
}

bool ChildProcess::send(const std::string& text)
{
    return input_ >= 0 && ::write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void ChildProcess::closeInput()
{
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

bool ChildProcess::readSome()
{
    char buffer[4096];
    const ssize_t got = output_ < 0 ? -1 : ::read(output_, buffer, sizeof buffer);
    if (got > 0) all_.append(buffer, static_cast<size_t>(got));
    return got > 0;
}

const std::string& ChildProcess::output()
{
    while (readSome()) {
    }
    return all_;
}

std::string ChildProcess::readLine(int waitMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(waitMs);
    size_t end = 0;
    while ((end = all_.find('\n', lineStart_)) == std::string::npos) {
        if (readSome()) continue;
        if (steadyMs() >= deadline) return {};
        pauseMs(2);
    }
    std::string line = all_.substr(lineStart_, end - lineStart_);
    lineStart_ = end + 1;
    return line;
}

bool ChildProcess::waitForOutput(const std::string& text, int waitMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(waitMs);
    for (; output().find(text) == std::string::npos; pauseMs(20))
        if (steadyMs() >= deadline) return false;
    return true;
}

void ChildProcess::signal(int number) const
{
    if (pid_ > 0) ::kill(pid_, number);
}

int ChildProcess::wait(int waitMs)
{
    if (pid_ <= 0) return -1;
    closeInput();
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(waitMs);
    int status = 0;
    pid_t done = 0;
    // Reading on while waiting: a child whose output pipe is full never ends.
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && steadyMs() < deadline) {
        output();
        pauseMs(5);
    }
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    output();
    pid_ = -1;
    if (output_ >= 0) ::close(output_);
    output_ = -1;
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::vector<std::string> onAPseudoTerminal(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "--pty");
    return arguments;
}

SimProcess::SimProcess(std::vector<std::string> arguments)
    : child_(OSTREVANE_SIM_PROGRAM, onAPseudoTerminal(arguments), {}, true)
{
    std::string link;
    for (size_t index = 1; index < arguments.size(); ++index)
        if (arguments[index - 1] == "--link") link = arguments[index];
    const std::string first = child_.readLine(5000);
    if (first.rfind("/dev/", 0) != 0) {
        problem_ = "the simulator did not name its line (first line '" + first + "')";
        return;
    }
    path_ = first;
    ::setenv(kCom, (link.empty() ? path_ : link).c_str(), 1);
}

SimProcess::~SimProcess()
{
    stop();
    if (!path_.empty()) ::unsetenv(kCom);
}

std::string SimProcess::command(const std::string& line, int waitMs)
{
    return child_.send(line + "\n") ? child_.readLine(waitMs) : std::string();
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
    child_.send("quit\n");
    return child_.wait(graceMs);
}

uint64_t steadyMs()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void pauseMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace e2e
