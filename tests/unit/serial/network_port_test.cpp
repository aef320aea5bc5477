// The port object on what a COM mapping names: things that are no serial line, a line
// that refuses its settings, a pseudo-terminal released, and a serial device server
// played by the test on a loopback socket.
#include <asm/termbits.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace {

using Texts = std::vector<std::string>;

OstrevanePDB configuration(uint8_t port, uint8_t dataBitsCode = 4)
{
    OstrevanePDB pdb = testing_support::defaultPDB();
    pdb.PortCode = port;
    pdb.DataBitsCode = dataBitsCode;
    return pdb;
}

// A server's listening socket on a loopback port, and the one connection it accepts.
class Peer {
public:
    Peer()
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Peer()
    {
        ::close(connection_);
        ::close(listener_);
    }
    bool accept()
    {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 2000) == 1) connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return connection_ >= 0;
    }
    // What the driver sent within `waitMs`.
    std::string received(int waitMs = 200)
    {
        std::string all;
        char buffer[512];
        for (pollfd ready{connection_, POLLIN, 0}; ::poll(&ready, 1, waitMs) == 1;) {
            const ssize_t got = ::recv(connection_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            all.append(buffer, static_cast<size_t>(got));
        }
        return all;
    }
    void send(const std::string& bytes) { ::send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    void hangUp()
    {
        ::close(connection_);
        connection_ = -1;
    }
    uint16_t port = 0;

private:
    int listener_ = -1, connection_ = -1;
};

struct Mapped {
    explicit Mapped(const std::string& mapping) { ::setenv("OSTREVANE800_COM5", mapping.c_str(), 1); }
    ~Mapped() { ::unsetenv("OSTREVANE800_COM5"); }
};

TEST(MappedPort, WhatIsNoSerialLineIsAPortThatDoesNotExist)
{
    testing_support::TempFolder folder;
    std::ofstream(folder.file("plain")) << "x";
    const std::string unused = "rfc2217://127.0.0.1:" + std::to_string(Peer().port);  // closed again
    const std::pair<std::string, const char*> rows[] = {
        {folder.file("plain"), "Com5: not a serial line"},
        {folder.path(), "(OS error 21: Is a directory)"},
        {folder.file("missing"), "(OS error 2: No such file or directory)"},
        {"tcp://127.0.0.1", "(OS error 22: Invalid argument)"},
        {unused, "(OS error 111: Connection refused)"},
    };
    for (const auto& [mapping, reason] : rows) {
        Mapped mapped(mapping);
        TCommClass port;
        Texts reports;
        port.setErrorSink([&](const std::string& text) { reports.push_back(text); });
        std::string message;
        EXPECT_FALSE(port.OpenComm(configuration(4), true, message)) << mapping;
        EXPECT_EQ(message, "Com5不存在或被其它程序占用！") << mapping;
        ASSERT_EQ(reports.size(), 1u) << mapping;
        EXPECT_NE(reports[0].find(reason), std::string::npos) << reports[0];
    }
}

// Four data bits exist on no Linux line and in no COM port option frame.
TEST(MappedPort, ALineRefusingItsSettingsSaysSoWithTheSystemsReason)
{
    testing_support::PseudoTerminal terminal(5);
    Peer server;
    for (const std::string& mapping :
         {std::string(::getenv("OSTREVANE800_COM5")), "rfc2217://127.0.0.1:" + std::to_string(server.port)}) {
        Mapped mapped(mapping);
        TCommClass port;
        Texts reports;
        port.setErrorSink([&](const std::string& text) { reports.push_back(text); });
        std::string message;
        EXPECT_TRUE(port.OpenComm(configuration(4, 0), true, message)) << mapping;
        EXPECT_EQ(message, "Error updating DataControlBlock") << mapping;
        ASSERT_EQ(reports.size(), 1u) << mapping;
        EXPECT_EQ(reports[0], "Com5: Error updating DataControlBlock (OS error 22: Invalid argument)");
    }
}

// Closed, the port leaves neither its lock nor the exclusive flag behind.
TEST(MappedPort, AClosedPortCanBeOpenedByAnotherProgramAtOnce)
{
    testing_support::PseudoTerminal terminal(5);
    TCommClass port;
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(4), true, message));
    const int other = ::open(::getenv("OSTREVANE800_COM5"), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int exclusive = 0;
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    port.Close();
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(::ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(other);
}

// The driver's side of an RFC 2217 line: its opening and line settings, escaped data
// both ways, negotiation answered, a refusal said once, a closed connection a lost line.
TEST(MappedPort, TelnetLineToASerialDeviceServer)
{
    const auto bytes = [](std::initializer_list<int> values) {
        std::string text;
        for (int value : values) text.push_back(static_cast<char>(value));
        return text;
    };
    const auto frame = [&](int command, const std::string& value) {
        return bytes({255, 250, 44, command}) + value + bytes({255, 240});
    };
    const std::string settings =
        frame(1, bytes({0, 0, 0x4B, 0})) + frame(2, "\x07") + frame(3, "\x02") + frame(4, bytes({2}));
    Peer server;
    Mapped mapped("rfc2217://127.0.0.1:" + std::to_string(server.port));
    TCommClass port;
    Texts reports;
    port.setErrorSink([&](const std::string& text) { reports.push_back(text); });
    std::string message;
    OstrevanePDB pdb = configuration(4, 3);
    std::tie(pdb.BaudCode, pdb.ParityCode, pdb.StopBitsCode) = std::tuple(8, 1, 2);  // 19200, odd, two
    ASSERT_TRUE(port.OpenComm(pdb, true, message) && server.accept());
    EXPECT_EQ(message, "Com5打开成功");
    EXPECT_EQ(server.received(), bytes({255, 251, 0, 255, 253, 0, 255, 251, 44}) + settings);
    port.WriteText("A\xFF"
                   "B");
    EXPECT_EQ(server.received(), "A\xFF\xFF"
                                 "B");
    // Agreement to the option sends the settings again; echo is turned down.
    server.send(bytes({255, 253, 44, 255, 251, 1}) + "x\xFF\xFFy");
    for (int tries = 0; tries < 100 && port.ReadText().size() < 3; ++tries) ::usleep(10000);
    EXPECT_EQ(port.ReadText(), "x\xFFy");
    EXPECT_EQ(server.received(), bytes({255, 254, 1}) + settings);
    server.send(bytes({255, 254, 44}));
    for (int tries = 0; tries < 100 && reports.empty(); ++tries) {
        ::usleep(10000);
        port.ReadText();
    }
    server.send(bytes({255, 254, 44}));  // said again: no news
    ::usleep(50000);
    port.ReadText();
    EXPECT_EQ(reports, Texts{"Com5: the serial device server refuses the COM port option; the line keeps the server's "
                             "own settings"});
    server.hangUp();
    for (int tries = 0; tries < 100 && !port.lost(); ++tries) {
        ::usleep(10000);
        port.ReadText();
    }
    EXPECT_TRUE(port.lost() && !port.IsOpen());
    EXPECT_NE(reports.back().find("the device is gone"), std::string::npos) << reports.back();
}

}  // namespace
