// The real ostrevane-sim program on a pseudo-terminal: it prints the terminal's path,
// answers a poll and a select on it, obeys its console, and ends cleanly on quit or
// SIGTERM. The tests wait for data with a generous deadline; they pass on what arrives.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "sim/protocol.h"

extern char** environ;

namespace {

constexpr int kDeadlineMs = 5000;

// Reads from `fd` until `enough` says the text is complete or the deadline passes.
template <typename Enough>
std::string readUntil(int fd, Enough enough)
{
    std::string got;
    for (int waited = 0; !enough(got) && waited < kDeadlineMs; waited += 10) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 10) != 1) continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;  // end of output
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// Where a symbolic link points, or "" when there is none.
std::string linkTarget(const std::string& link)
{
    char target[256];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

class SimProgram : public ::testing::Test {
protected:
    void start(std::vector<std::string> arguments)
    {
        int toChild[2];
        int fromChild[2];
        ASSERT_EQ(::pipe2(toChild, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(fromChild, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        arguments.insert(arguments.begin(), OSTREVANE_SIM_PROGRAM);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int spawned = ::posix_spawn(&pid, OSTREVANE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        console = toChild[1];
        output = fromChild[0];
        ASSERT_EQ(spawned, 0);
    }

    void TearDown() override
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        for (int fd : {console, output, line})
            if (fd >= 0) ::close(fd);
    }

    std::string readOutputLine()
    {
        while (outputText.find('\n') == std::string::npos) {
            const std::string more = readUntil(output, [](const std::string& got) { return !got.empty(); });
            if (more.empty()) return "(no line)";
            outputText += more;
        }
        const size_t end = outputText.find('\n');
        const std::string first = outputText.substr(0, end);
        outputText.erase(0, end + 1);
        return first;
    }

    std::string command(const std::string& text)
    {
        const std::string withEnd = text + "\n";
        EXPECT_EQ(::write(console, withEnd.data(), withEnd.size()), static_cast<ssize_t>(withEnd.size()));
        return readOutputLine();
    }

    void openLine()
    {
        const std::string path = readOutputLine();
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        line = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(line, 0) << path;
        termios raw{};
        ASSERT_EQ(::tcgetattr(line, &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(line, TCSANOW, &raw), 0);
    }

    std::string exchange(const std::string& request, size_t replyLength)
    {
        EXPECT_EQ(::write(line, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        return readUntil(line, [&](const std::string& got) { return got.size() >= replyLength; });
    }

    // The exit status once the program has ended by itself (its output closes first).
    int exitStatus()
    {
        readUntil(output, [](const std::string&) { return false; });
        int status = -1;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }

    pid_t pid = -1;
    int console = -1;
    int output = -1;
    int line = -1;
    std::string outputText;
};

TEST_F(SimProgram, AnswersAPollAndASelectOnItsPseudoTerminalAndQuits)
{
    start({"--pty", "--instrument", "1:808", "--value", "1:PV=25.0", "--pace", "19200:10"});
    openLine();
    EXPECT_EQ(exchange(sim::pollFrame(1, "PV"), 10), std::string("\x02PV 25.0\x03\x3C"));
    EXPECT_EQ(exchange(sim::selectFrame(1, "SL", " 42.5"), 1), "\x06");
    EXPECT_EQ(command("get 1 SL"), "ok  42.5");
    EXPECT_EQ(command("fault badcheck on times 1"), "ok");
    const std::string spoiled = exchange(sim::pollFrame(1, "SL"), 10);
    ASSERT_EQ(spoiled.size(), 10u);
    EXPECT_NE(spoiled, sim::readReply("SL", " 42.5"));
    EXPECT_EQ(exchange(sim::pollFrame(1, "SL"), 10), sim::readReply("SL", " 42.5"));
    EXPECT_EQ(command("stats"), "ok polls=3 selects=1 acks=1 naks=0 other-address=0 silenced=0 noise-bytes=0");
    EXPECT_EQ(command("quit"), "ok");
    const int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Pulled out and put back: the client's line hangs up, the link names a new line that
// answers, and the link goes when the program ends.
TEST_F(SimProgram, UnplugHangsUpTheLineAndTheLinkNamesTheNewOne)
{
    const std::string link = ::testing::TempDir() + "ostrevane-sim-link-" + std::to_string(::getpid());
    start({"--pty", "--link", link, "--instrument", "1:808", "--value", "1:PV=25.0"});
    const std::string first = readOutputLine();
    ASSERT_EQ(linkTarget(link), first);
    line = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);

    EXPECT_EQ(command("unplug 300ms"), "ok");
    pollfd hungUp{line, POLLIN, 0};
    EXPECT_EQ(::poll(&hungUp, 1, kDeadlineMs), 1);
    EXPECT_NE(hungUp.revents & POLLHUP, 0);
    EXPECT_LT(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC), 0) << "the link names nothing";
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(command("unplug 1s"), "error: the line is unplugged already");

    // The hung-up line, still held here, keeps its number from being given out again.
    std::string second;
    for (int waited = 0; waited < kDeadlineMs && (second.rfind("/dev/", 0) != 0 || second == first); waited += 10) {
        ::poll(nullptr, 0, 10);
        second = linkTarget(link);
    }
    ASSERT_EQ(second.rfind("/dev/", 0), 0u) << second;
    ASSERT_NE(second, first);
    ::close(line);
    line = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    EXPECT_EQ(exchange(sim::pollFrame(1, "PV"), 10), sim::readReply("PV", " 25.0"));

    EXPECT_EQ(command("quit"), "ok");
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(linkTarget(link), "");
}

TEST_F(SimProgram, EndsCleanlyOnSigterm)
{
    start({"--pty", "--instrument", "7:847"});
    openLine();
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    const int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(SimProgram, RefusesABadCommandLine)
{
    start({"--pty", "--instrument", "1:999"});
    const int status = exitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
}

}  // namespace
