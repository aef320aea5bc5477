// The port object on what a COM mapping names: things that are no serial line, lines that
// refuse their settings, and a serial device server played by the test on loopback.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace {

using Texts = std::vector<std::string>;

// A server's listening socket on a loopback port, and the one connection it accepts.
struct Peer {
    Peer()
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 4);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        url = "rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    ~Peer() { ::close(listener), ::close(connection); }
    // What the driver sent within 200 ms.
    std::string received()
    {
        if (connection < 0) connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        std::string all;
        char buffer[512];
        for (pollfd ready{connection, POLLIN, 0}; ::poll(&ready, 1, 200) == 1;) {
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            all.append(buffer, static_cast<size_t>(got));
        }
        return all;
    }
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), connection = -1;
    std::string url;
};

class MappedPort : public ::testing::Test {
protected:
    void map(const std::string& mapping) { ::setenv("OSTREVANE800_COM5", mapping.c_str(), 1); }
    ~MappedPort() override { ::unsetenv("OSTREVANE800_COM5"); }
    bool open(uint8_t dataBitsCode = 4)
    {
        port = std::make_unique<TCommClass>();
        reports.clear();
        port->setErrorSink([&](const std::string& text) { reports.push_back(text); });
        OstrevanePDB pdb = testing_support::defaultPDB();
        std::tie(pdb.PortCode, pdb.DataBitsCode, pdb.BaudCode, pdb.ParityCode, pdb.StopBitsCode) =
            std::tuple(4, dataBitsCode, 8, 1, 2);  // 19200, odd, two stop bits
        return port->OpenComm(pdb, true, message);
    }
    // Reads until `done` or 1 s.
    void readUntil(const std::function<bool()>& done)
    {
        for (int tries = 0; tries < 100 && !done(); ++tries, ::usleep(10000)) port->ReadText();
    }
    std::unique_ptr<TCommClass> port;
    Texts reports;
    std::string message;
};

// What is no serial line is a port that does not exist; a line that cannot take four
// data bits (no Linux line, no COM port option frame) says so with the system's reason.
TEST_F(MappedPort, WhatIsNoSerialLineOrRefusesItsSettingsSaysSo)
{
    testing_support::TempFolder folder;
    std::ofstream(folder.file("plain")) << "x";
    testing_support::PseudoTerminal terminal(6);
    Peer server;
    const std::string missing = "Com5不存在或被其它程序占用！", refused = "Error updating DataControlBlock";
    const std::tuple<std::string, const char*, std::string, const char*> rows[] = {
        {folder.file("plain"), "Com5: not a serial line", missing, ""},
        {folder.path(), "(OS error 21: Is a directory)", missing, ""},
        {folder.file("missing"), "(OS error 2: No such file or directory)", missing, ""},
        {"tcp://127.0.0.1", "(OS error 22: Invalid argument)", missing, ""},
        {Peer().url, "(OS error 111: Connection refused)", missing, ""},  // its listener closed again
        {::getenv("OSTREVANE800_COM6"), "Com5: Error updating DataControlBlock (OS error 22: Invalid argument)",
         refused, "four data bits"},
        {server.url, "Com5: Error updating DataControlBlock (OS error 22: Invalid argument)", refused,
         "four data bits"},
    };
    for (const auto& [mapping, reason, status, fourBits] : rows) {
        map(mapping);
        EXPECT_EQ(open(*fourBits ? 0 : 4), status == refused) << mapping;
        EXPECT_EQ(message, status) << mapping;
        ASSERT_EQ(reports.size(), 1u) << mapping;
        EXPECT_NE(reports[0].find(reason), std::string::npos) << reports[0];
    }
}

// The driver's side of an RFC 2217 line: its opening and line settings, escaped data
// both ways, negotiation answered, a refusal said once, a closed connection a lost line.
TEST_F(MappedPort, TelnetLineToASerialDeviceServer)
{
    const auto bytes = [](std::initializer_list<int> values) { return std::string(values.begin(), values.end()); };
    const auto frame = [&](int command, const std::string& value) {
        return bytes({255, 250, 44, command}) + value + bytes({255, 240});
    };
    const std::string settings =
        frame(1, bytes({0, 0, 0x4B, 0})) + frame(2, "\x07") + frame(3, "\x02") + frame(4, bytes({2}));
    Peer server;
    map(server.url);
    ASSERT_TRUE(open(3));
    EXPECT_EQ(message, "Com5打开成功");
    EXPECT_EQ(server.received(), bytes({255, 251, 0, 255, 253, 0, 255, 251, 44}) + settings);
    port->WriteText("A\xFF"
                    "B");
    EXPECT_EQ(server.received(), "A\xFF\xFF"
                                 "B");
    // Agreement to the option sends the settings again; echo is turned down.
    const auto send = [&](const std::string& text) { ::send(server.connection, text.data(), text.size(), 0); };
    send(bytes({255, 253, 44, 255, 251, 1}) + "x\xFF\xFFy");
    readUntil([&] { return port->ReadText().size() >= 3; });
    EXPECT_EQ(port->ReadText(), "x\xFFy");
    EXPECT_EQ(server.received(), bytes({255, 254, 1}) + settings);
    send(bytes({255, 254, 44}));
    readUntil([&] { return !reports.empty(); });
    send(bytes({255, 254, 44}));  // said again: no news
    readUntil([] { return false; });
    EXPECT_EQ(reports, Texts{"Com5: the serial device server refuses the COM port option; the line keeps the server's "
                             "own settings"});
    server.received();  // nothing left unread: the close is an orderly one, not a reset
    ::close(server.connection);
    server.connection = -1;
    readUntil([&] { return port->lost(); });
    EXPECT_TRUE(port->lost() && !port->IsOpen());
    EXPECT_NE(reports.back().find("the device is gone"), std::string::npos) << reports.back();
}

}  // namespace
