// The ostrevane-sim program on a pseudo-terminal: it survives an unplug and ends cleanly
// on quit or SIGTERM. (Its answers to the real driver: the host program's test.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "program_process.h"
#include "sim/protocol.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

constexpr int kDeadlineMs = 5000;
const std::string kReply = sim::readReply("PV", " 25.0");

int openLine(const std::string& path)
{
    const int line = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw{};
    if (line >= 0 && ::tcgetattr(line, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(line, TCSANOW, &raw);
    }
    return line;
}

// Sends `request` and reads until `length` bytes came back or the deadline passed.
std::string exchange(int line, const std::string& request, size_t length)
{
    EXPECT_EQ(::write(line, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    std::string got;
    for (const uint64_t end = e2e::steadyMs() + kDeadlineMs; got.size() < length && e2e::steadyMs() < end;) {
        pollfd readable{line, POLLIN, 0};
        char buffer[64];
        const ssize_t count = ::poll(&readable, 1, 10) == 1 ? ::read(line, buffer, sizeof buffer) : 0;
        if (count > 0) got.append(buffer, static_cast<size_t>(count));
    }
    return got;
}

std::string linkTarget(const std::string& link)
{
    char target[256];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

// Pulled out and put back: the line hangs up, the link names a new line that answers,
// and the link goes when the program ends.
TEST(SimProgram, UnplugHangsUpTheLineAndTheLinkNamesTheNewOne)
{
    testing_support::TempFolder folder;
    const std::string link = folder.file("line");
    e2e::SimProcess sim({"--link", link, "--instrument", "1:808", "--value", "1:PV=25.0", "--pace", "19200:10"});
    ASSERT_TRUE(sim.ok()) << sim.problem();
    ASSERT_EQ(linkTarget(link), sim.path());
    int line = openLine(link);
    ASSERT_GE(line, 0);
    EXPECT_EQ(sim.command("unplug 300ms"), "ok");
    pollfd hungUp{line, POLLIN, 0};
    EXPECT_EQ(::poll(&hungUp, 1, kDeadlineMs), 1);
    EXPECT_NE(hungUp.revents & POLLHUP, 0);
    EXPECT_LT(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC), 0) << "the link names no line";
    // The hung-up line, still held here, keeps its number from being given out again.
    std::string second;
    for (const uint64_t end = e2e::steadyMs() + kDeadlineMs; second.rfind("/dev/", 0) != 0 && e2e::steadyMs() < end;) {
        e2e::pauseMs(10);
        second = linkTarget(link);
    }
    ASSERT_EQ(second.rfind("/dev/", 0), 0u) << second;
    EXPECT_NE(second, sim.path());
    ::close(line);
    line = openLine(link);
    ASSERT_GE(line, 0);
    EXPECT_EQ(exchange(line, sim::pollFrame(1, "PV"), 10), kReply);
    EXPECT_EQ(sim.command("quit"), "ok");
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(linkTarget(link), "");
    ::close(line);
}

TEST(SimProgram, EndsCleanlyOnSigtermAndRefusesABadCommandLine)
{
    testing_support::TempFolder folder;
    ProgramProcess sim(OSTREVANE_SIM_PROGRAM, {"--pty", "--instrument", "7:847"}, folder.path());
    ASSERT_TRUE(sim.waitForOutput("/dev/", kDeadlineMs)) << sim.errors();
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(kDeadlineMs), 0);
    ProgramProcess refused(OSTREVANE_SIM_PROGRAM, {"--pty", "--instrument", "1:999"}, folder.path());
    EXPECT_EQ(refused.wait(kDeadlineMs), 2);
    EXPECT_NE(refused.errors().find("--instrument takes DEV:TYPE"), std::string::npos) << refused.errors();
}

}  // namespace
