// The port object on a pseudo-terminal standing in for the COM port. Traffic over a raw
// line and a held port turned away: threads_test.cpp.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fake_port.h"
#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace {

using serialtest::configuration;

// An adapter unplugged: its side of the line closes, and reading alone notices it. The
// exclusive hold on the line does not outlive the port.
TEST(PtyLine, AVanishedLineIsSeenByReadingAndTheLineIsLeftFree)
{
    auto line = std::make_unique<testing_support::PseudoTerminal>(2);
    const std::string path = line->slavePath();
    auto port = std::make_unique<TCommClass>();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(1), true, message));
    port.reset();
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    EXPECT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(other);

    port = std::make_unique<TCommClass>();
    std::vector<std::string> reports;
    port->setErrorSink([&](const std::string& text) { reports.push_back(text); });
    ASSERT_TRUE(port->OpenComm(configuration(1), true, message));
    line.reset();  // unplugged
    port->ReadText();
    EXPECT_TRUE(port->lost());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("OS error 5"), std::string::npos) << reports[0];
}

// On the master side of a pseudo-terminal, the instrument closing the slave side is a
// hang-up that only poll tells: the line counts as lost.
TEST(PtyLine, AHangUpOfTheFarEndIsSeenByReading)
{
    setenv("OSTREVANE800_COM3", "/dev/ptmx", 1);
    TCommClass port;
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(2), true, message));
    unsetenv("OSTREVANE800_COM3");
    int master = -1;  // the port's descriptor, to reach its slave side
    for (int fd = 3; fd < 1024 && master < 0; ++fd) {
        char link[64] = {};
        if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link - 1) > 0 &&
            std::string(link).ends_with("ptmx"))
            master = fd;
    }
    ASSERT_GE(master, 0);
    ASSERT_EQ(unlockpt(master), 0);
    ::close(::open(ptsname(master), O_RDWR | O_NOCTTY));
    EXPECT_EQ(port.ReadText(), "");
    EXPECT_TRUE(port.lost());
}

}  // namespace
