// The port object on a real terminal line: a pseudo-terminal whose slave side stands
// in for the COM port and whose master side plays the instrument.
//
// The kernel hands bytes between the two sides asynchronously, so the tests wait for
// a condition (bytes arrived) with a generous deadline rather than for a fixed time.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace {

using serialtest::configuration;

constexpr int kDeadlineMs = 5000;

class PtyLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        slavePath = ::ptsname(master);
        ::setenv("OSTREVANE800_COM1", slavePath.c_str(), 1);
    }
    void TearDown() override
    {
        for (const char* name : {"OSTREVANE800_COM1", "OSTREVANE800_COM4", "OSTREVANE800_COM10"}) ::unsetenv(name);
        if (master >= 0) ::close(master);
    }

    // The slave's line settings; on a pseudo-terminal the master reports them.
    termios2 slaveLine() const
    {
        termios2 line{};
        EXPECT_EQ(::ioctl(master, TCGETS2, &line), 0);
        return line;
    }

    void instrumentSends(const std::string& bytes) const
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What the port transmitted, once `count` bytes have come through.
    std::string instrumentReceives(size_t count) const
    {
        std::string got;
        for (int waited = 0; got.size() < count && waited < kDeadlineMs; ++waited) {
            pollfd readable{master, POLLIN, 0};
            if (::poll(&readable, 1, 1) == 1) {
                char buffer[256];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) got.append(buffer, static_cast<size_t>(n));
            }
        }
        return got;
    }

    // ReadText once `length` characters have been collected (or the deadline passed).
    static std::string readUntil(TCommClass& port, size_t length)
    {
        for (int waited = 0; port.ReadText().size() < length && waited < kDeadlineMs; ++waited)
            ::poll(nullptr, 0, 1);
        return port.ReadText();
    }

    int master = -1;
    std::string slavePath;
};

// Character size, parity and the classic rate codes are checked in line_posix_test.cpp:
// recent kernels force 8 bits without parity on a pseudo-terminal whatever is asked.
TEST_F(PtyLine, EveryRateOfTheTableReachesTheTerminal)
{
    const uint32_t rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                              19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (uint8_t code = 0; code < 15; ++code) {
        SCOPED_TRACE(rates[code]);
        TCommClass port;
        std::string message;
        ASSERT_TRUE(port.OpenComm(configuration(0, code), true, message));
        EXPECT_EQ(message, "Com1打开成功");
        const termios2 line = slaveLine();
        EXPECT_EQ(line.c_ospeed, rates[code]);
        EXPECT_EQ(line.c_ispeed, rates[code]);
    }
}

TEST_F(PtyLine, LineIsRawWithoutSoftwareFlowControl)
{
    TCommClass port;
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(0), true, message));
    const termios2 line = slaveLine();
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    // Block checks 0x11 and 0x13 and a CR come through untouched.
    instrumentSends("\x02\x11\x13\r\n\x03");
    EXPECT_EQ(readUntil(port, 6), "\x02\x11\x13\r\n\x03");
}

TEST_F(PtyLine, FourBitCharactersAreRejectedButThePortStaysOpen)
{
    TCommClass port;
    std::string message;
    EXPECT_TRUE(port.OpenComm(configuration(0, 6, 0), true, message));
    EXPECT_EQ(message, "Error updating DataControlBlock");
}

TEST_F(PtyLine, PortIndexNineOpensCom10)
{
    ::unsetenv("OSTREVANE800_COM1");
    ::setenv("OSTREVANE800_COM10", slavePath.c_str(), 1);
    TCommClass port;
    std::string message;
    EXPECT_TRUE(port.OpenComm(configuration(9), true, message));
    EXPECT_EQ(message, "Com10打开成功");
    port.WriteText("\x04" "0011PV\x05");
    EXPECT_EQ(instrumentReceives(8), "\x04" "0011PV\x05");
}

TEST_F(PtyLine, ReplyInTwoPiecesIsReturnedWholeUntilTheNextTransmission)
{
    TCommClass port;
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(0), true, message));
    port.WriteText("\x04" "0011PV\x05");
    ASSERT_EQ(instrumentReceives(8), "\x04" "0011PV\x05");

    instrumentSends("\x02PV1");
    EXPECT_EQ(readUntil(port, 4), "\x02PV1");
    instrumentSends("2.5\x03\x7F");
    EXPECT_EQ(readUntil(port, 9), "\x02PV12.5\x03\x7F");

    instrumentSends("\x02PV9");
    ASSERT_EQ(readUntil(port, 13), "\x02PV12.5\x03\x7F\x02PV9");
    port.WriteText("\x04" "0011SP\x05");
    EXPECT_EQ(port.ReadText(), "");
    EXPECT_EQ(instrumentReceives(8), "\x04" "0011SP\x05");
}

TEST_F(PtyLine, SecondPortObjectCannotTakeAHeldPort)
{
    TCommClass first;
    TCommClass second;
    std::string message;
    ASSERT_TRUE(first.OpenComm(configuration(0), true, message));
    EXPECT_FALSE(second.OpenComm(configuration(0), true, message));
    EXPECT_EQ(message, "Com1不存在或被其它程序占用！");
    EXPECT_FALSE(second.IsOpen());
    second.WriteText("x");
    EXPECT_FALSE(second.IsOpen());

    // Released by the first, the port is free again.
    first.Close();
    EXPECT_TRUE(second.OpenComm(configuration(0), true, message));
    EXPECT_EQ(message, "Com1打开成功");
}

TEST_F(PtyLine, WhatIsNotAnOpenableSerialLineIsReportedUnavailable)
{
    char fileName[] = "/tmp/ostrevane-serial-XXXXXX";
    const int file = ::mkstemp(fileName);
    ASSERT_GE(file, 0);
    for (const char* path : {"/nonexistent/ostrevane-port", static_cast<const char*>(fileName)}) {
        SCOPED_TRACE(path);
        ::setenv("OSTREVANE800_COM4", path, 1);
        TCommClass port;
        std::string message;
        EXPECT_FALSE(port.OpenComm(configuration(3), true, message));
        EXPECT_EQ(message, "Com4不存在或被其它程序占用！");
        EXPECT_FALSE(port.IsOpen());
    }
    ::close(file);
    ::unlink(fileName);
}

TEST_F(PtyLine, WriteTextOnClosedPortOpensItWhenTheLineAppears)
{
    testing_support::FakeClock clock;
    ::setenv("OSTREVANE800_COM1", "/nonexistent/ostrevane-port", 1);
    TCommClass port;
    std::string message;
    ASSERT_FALSE(port.OpenComm(configuration(0, 6), true, message));
    ::setenv("OSTREVANE800_COM1", slavePath.c_str(), 1);
    clock.advance(TCommClass::kReopenInterval);
    port.WriteText("\x04" "0011PV\x05");
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.statusText(), "Com1打开成功");
    EXPECT_EQ(instrumentReceives(8), "\x04" "0011PV\x05");
    EXPECT_EQ(slaveLine().c_ospeed, 9600u);
}

TEST_F(PtyLine, ClosingReleasesTheLineForOtherPrograms)
{
    {
        TCommClass port;
        std::string message;
        ASSERT_TRUE(port.OpenComm(configuration(0), true, message));
    }
    // Neither the lock nor the exclusive flag outlives the port object.
    const int again = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(again, 0);
    int exclusive = 0;
    EXPECT_EQ(::ioctl(again, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(again);
}

}  // namespace

// An adapter unplugged and plugged in again: the far end of the line closes, and a new
// line appears under the same name. The port lets go of the dead line, stays quiet
// between its attempts, reports each change once, and carries on by itself.
TEST_F(PtyLine, AVanishedLineIsReopenedWhenItReturnsUnderTheSameName)
{
    testing_support::FakeClock clock;
    testing_support::TempFolder folder;
    const std::string name = folder.file("ttyUSB0");
    ASSERT_EQ(::symlink(slavePath.c_str(), name.c_str()), 0);
    ::setenv("OSTREVANE800_COM1", name.c_str(), 1);

    TCommClass port;
    std::vector<std::string> reports;
    port.setErrorSink([&](const std::string& text) { reports.push_back(text); });
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(0), true, message));

    ::close(master);  // unplugged
    master = -1;
    port.WriteText("x");
    port.ReadText();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.lost());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("the device is gone"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("OS error 5"), std::string::npos) << reports[0];  // EIO

    port.WriteText("x");  // too soon for another attempt: nothing happens, nothing is said
    clock.advance(TCommClass::kReopenInterval);
    port.WriteText("x");  // the line is still missing: said once
    clock.advance(TCommClass::kReopenInterval);
    port.WriteText("x");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find("cannot be opened"), std::string::npos) << reports[1];

    // Plugged in again: a new line under the same name.
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    ASSERT_EQ(::unlink(name.c_str()), 0);
    ASSERT_EQ(::symlink(::ptsname(master), name.c_str()), 0);
    port.WriteText("late");
    EXPECT_FALSE(port.IsOpen()) << "not before the interval has passed";
    clock.advance(TCommClass::kReopenInterval);
    port.WriteText("abc");
    EXPECT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.lost());
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2], "Com1打开成功");
    EXPECT_EQ(instrumentReceives(3), "abc");
}
