#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

constexpr int kStartDeadlineMs = 5000;

// The program to start: OSTREVANE_SIM in the environment, else the one built beside the tests.
std::string simulatorProgram()
{
    if (const char* chosen = std::getenv("OSTREVANE_SIM"); chosen && *chosen) return chosen;
    return OSTREVANE_SIM_PROGRAM;
}

// A file for the child's standard error that outlives nothing but this process.
std::string makeErrorFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/ostrevane-sim-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return {};
    ::close(fd);
    return pattern;
}

// The PATH of "--link PATH" or "--link=PATH" among the arguments, else "".
std::string linkArgument(const std::vector<std::string>& arguments)
{
    for (size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index] == "--link" && index + 1 < arguments.size()) return arguments[index + 1];
        if (arguments[index].rfind("--link=", 0) == 0) return arguments[index].substr(7);
    }
    return {};
}

// "polls=3" style fields of a stats answer.
uint64_t fieldOf(const std::string& text, const std::string& name)
{
    const std::string key = " " + name + "=";
    const size_t at = text.find(key);
    if (at == std::string::npos) return 0;
    return std::strtoull(text.c_str() + at + key.size(), nullptr, 10);
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> arguments, int comNumber)
    : comNumber_(comNumber), comVariable_("OSTREVANE800_COM" + std::to_string(comNumber))
{
    errorFile_ = makeErrorFile();
    int toChild[2];
    int fromChild[2];
    if (errorFile_.empty() || ::pipe2(toChild, O_CLOEXEC) != 0) {
        problem_ = "cannot make the console pipe or the error file";
        return;
    }
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        problem_ = "cannot make the output pipe";
        return;
    }
    // The test writes console lines even after the child is gone; that must not kill it.
    ::signal(SIGPIPE, SIG_IGN);

    const std::string program = simulatorProgram();
    arguments.insert(arguments.begin(), {program, "--pty"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile_.c_str(), O_WRONLY | O_TRUNC, 0600);
    const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    console_ = toChild[1];
    output_ = fromChild[0];
    if (spawned != 0) {
        pid_ = -1;
        problem_ = "cannot start " + program + ": " + std::strerror(spawned);
        return;
    }

    const std::string first = readLine(kStartDeadlineMs);
    if (first.rfind("/dev/", 0) != 0) {
        problem_ = "the simulator did not name its line (first line '" + first + "')";
        return;
    }
    if (const char* previous = std::getenv(comVariable_.c_str())) {
        hadPreviousCom_ = true;
        previousCom_ = previous;
    }
    path_ = first;
    link_ = linkArgument(arguments);
    ::setenv(comVariable_.c_str(), (link_.empty() ? path_ : link_).c_str(), 1);
}

SimProcess::~SimProcess()
{
    stop();
    if (!path_.empty()) {
        if (hadPreviousCom_) ::setenv(comVariable_.c_str(), previousCom_.c_str(), 1);
        else ::unsetenv(comVariable_.c_str());
    }
    if (!errorFile_.empty()) ::unlink(errorFile_.c_str());
}

std::string SimProcess::problem() const
{
    std::string text = problem_.empty() ? std::string("no problem") : problem_;
    const std::string errors = trace();
    if (!errors.empty()) text += "; its standard error: " + errors;
    return text;
}

std::string SimProcess::readLine(int waitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (buffered_.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || output_ < 0) return {};
        pollfd readable{output_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {};
        char buffer[512];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got <= 0) return {};  // the child closed its output
        buffered_.append(buffer, static_cast<size_t>(got));
    }
    const size_t end = buffered_.find('\n');
    std::string line = buffered_.substr(0, end);
    buffered_.erase(0, end + 1);
    return line;
}

std::string SimProcess::command(const std::string& line, int waitMs)
{
    if (console_ < 0) return {};
    const std::string withEnd = line + "\n";
    size_t done = 0;
    while (done < withEnd.size()) {
        const ssize_t written = ::write(console_, withEnd.data() + done, withEnd.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return {};
        done += static_cast<size_t>(written);
    }
    return readLine(waitMs);
}

std::string SimProcess::commandOk(const std::string& line, int waitMs)
{
    const std::string answer = command(line, waitMs);
    if (answer == "ok") return {};
    if (answer.rfind("ok ", 0) == 0) return answer.substr(3);
    ADD_FAILURE() << "simulator console '" << line << "' answered '" << answer << "'";
    return {};
}

SimStats SimProcess::stats()
{
    const std::string answer = command("stats");
    SimStats counters;
    if (answer.rfind("ok ", 0) != 0) return counters;
    counters.polls = fieldOf(answer, "polls");
    counters.selects = fieldOf(answer, "selects");
    counters.acks = fieldOf(answer, "acks");
    counters.naks = fieldOf(answer, "naks");
    counters.otherAddress = fieldOf(answer, "other-address");
    counters.silenced = fieldOf(answer, "silenced");
    counters.noiseBytes = fieldOf(answer, "noise-bytes");
    counters.valid = true;
    return counters;
}

std::string SimProcess::trace() const
{
    if (errorFile_.empty()) return {};
    std::ifstream file(errorFile_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int SimProcess::stop(int graceMs)
{
    if (pid_ <= 0) return -1;
    if (console_ >= 0) {
        const char quit[] = "quit\n";
        [[maybe_unused]] const ssize_t ignored = ::write(console_, quit, sizeof quit - 1);
    }
    int status = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    pid_t ended = 0;
    while ((ended = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    for (int* fd : {&console_, &output_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    return status;
}

bool pollUntil(const std::function<void()>& step, const std::function<bool()>& done, int deadlineMs, int intervalMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(deadlineMs);
    for (;;) {
        step();
        if (done()) return true;
        if (steadyMs() >= deadline) return false;
        pauseMs(intervalMs);
    }
}

}  // namespace e2e
