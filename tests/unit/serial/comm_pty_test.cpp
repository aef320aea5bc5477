// The port object on a pseudo-terminal whose slave side stands in for the COM port
// and whose master side plays the instrument. Traffic over a raw line: threads_test.cpp.
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
using testing_support::PseudoTerminal;

// A held port is refused to others until released, and so is what is no serial line.
TEST(PtyLine, WhatCannotBeTakenIsReportedUnavailable)
{
    PseudoTerminal line;
    testing_support::TempFolder folder;
    ::close(::creat(folder.file("plain").c_str(), 0600));
    auto first = std::make_unique<TCommClass>();
    TCommClass second;
    std::string message;
    ASSERT_TRUE(first->OpenComm(configuration(0), true, message));
    for (const std::string& path : {line.slavePath(), folder.file("missing"), folder.file("plain")}) {
        setenv("OSTREVANE800_COM4", path.c_str(), 1);
        EXPECT_FALSE(second.OpenComm(configuration(3), true, message)) << path;
        EXPECT_EQ(message, "Com4不存在或被其它程序占用！");
    }
    unsetenv("OSTREVANE800_COM4");
    first.reset();
    const int other = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    EXPECT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "the exclusive flag does not outlive the port";
    ::close(other);
    EXPECT_TRUE(second.OpenComm(configuration(0), true, message));
}

// An adapter unplugged and plugged in again: the far end of the line closes, and a new
// line appears under the same name. Reading alone notices the hang-up.
TEST(PtyLine, AVanishedLineIsSeenByReadingAndReopenedWhenItReturnsUnderItsName)
{
    testing_support::FakeClock clock;
    testing_support::TempFolder folder;
    const std::string name = folder.file("ttyUSB0");
    auto line = std::make_unique<PseudoTerminal>(2);
    ASSERT_EQ(symlink(line->slavePath().c_str(), name.c_str()), 0);
    setenv("OSTREVANE800_COM1", name.c_str(), 1);
    TCommClass port;
    std::vector<std::string> reports;
    port.setErrorSink([&](const std::string& text) { reports.push_back(text); });
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(0), true, message));

    line.reset();  // unplugged
    port.ReadText();
    EXPECT_TRUE(port.lost());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("the device is gone"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("OS error 5"), std::string::npos) << reports[0];

    line = std::make_unique<PseudoTerminal>(2);  // plugged in again
    ASSERT_EQ(unlink(name.c_str()), 0);
    ASSERT_EQ(symlink(line->slavePath().c_str(), name.c_str()), 0);
    clock.advance(TCommClass::kReopenInterval);
    port.WriteText("abc");
    EXPECT_FALSE(port.lost());
    EXPECT_EQ(reports.back(), "Com1打开成功");
    EXPECT_EQ(line->readFromDriver(3), "abc");
    unsetenv("OSTREVANE800_COM1");
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
