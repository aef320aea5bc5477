// The Telnet side of a line behind a serial device server: what the server sends split
// into line data and answers, the frames that set the line, and the mappings that name
// such a line.
#include <gtest/gtest.h>

#include "serial/TelnetLine.h"
#include "serial/port_address.h"

namespace {

using serial::TelnetLine;

std::string bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values) text.push_back(static_cast<char>(value));
    return text;
}

TEST(TelnetLine, ServerBytesBecomeLineDataAndTheAnswersOwed)
{
    constexpr int IAC = 255, WILL = 251, WONT = 252, DO = 253, DONT = 254, SB = 250, SE = 240;
    struct Row {
        const char* name;
        std::vector<std::string> pieces;  // as they arrive, after the client's opening
        std::string data, answers;
        bool refused = false, settingsOwed = false;
        uint32_t baudRate = 0;
    };
    const Row rows[] = {
        {"doubled 0xFF, also split between reads",
         {"a" + bytes({IAC, IAC}) + "b" + bytes({IAC}), bytes({IAC}) + "c"},
         "a\xFF"
         "b\xFF"
         "c",
         ""},
        // What a server says first: offers of go-ahead suppression and echo, agreement to
        // binary both ways and to the COM port option, a modem state report.
        {"a server's opening",
         {bytes({IAC, WILL, 3,    IAC, DO,  3,  IAC, WILL, 1,  IAC, DONT, 1, IAC, DO,
                 0,   IAC,  WILL, 0,   IAC, DO, 44,  IAC,  SB, 44,  107,  0, IAC, SE}) +
          "x"},
         "x",
         bytes({IAC, DO, 3, IAC, WILL, 3, IAC, DONT, 1}),
         false,
         true},
        {"a request repeated is not answered again",
         {bytes({IAC, WILL, 3, IAC, WILL, 3, IAC, DO, 44, IAC, DO, 44})},
         "",
         bytes({IAC, DO, 3}),
         false,
         true},
        {"unknown options refused",
         {bytes({IAC, DO, 24, IAC, WILL, 5, IAC, DONT, 24})},
         "",
         bytes({IAC, WONT, 24, IAC, DONT, 5})},
        {"the COM port option turned down", {bytes({IAC, DONT, 44})}, "", "", true},
        {"binary withdrawn after agreement",
         {bytes({IAC, WILL, 0, IAC, WONT, 0, IAC, DO, 0, IAC, DONT, 0})},
         "",
         bytes({IAC, DONT, 0, IAC, WONT, 0})},
        {"commands without options carry nothing", {bytes({IAC, 241, 'p', IAC, 249, IAC, SE, 'q'})}, "pq", ""},
        {"the server's baud rate, a 0xFF in it doubled",
         {bytes({IAC, SB, 44, 101, 0, 0, IAC, IAC}), bytes({0, IAC, SE, 'z'})},
         "z",
         "",
         false,
         false,
         0xFF00},
        {"a short rate report is no rate", {bytes({IAC, SB, 44, 101, 0, 0, 37, IAC, SE})}, "", ""},
        {"the server asks for the signature",
         {bytes({IAC, SB, 44, 100, IAC, SE})},
         "",
         bytes({IAC, SB, 44, 0}) + "Ostrevane800" + bytes({IAC, SE})},
        {"a subnegotiation cut short by a command", {bytes({IAC, SB, 44, 101, IAC, DONT, 44, 'y'})}, "y", "", true},
        {"an overlong subnegotiation is cut",
         {bytes({IAC, SB, 44, 101}) + std::string(100, '\x01') + bytes({IAC, SE})},
         "",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TelnetLine line;
        EXPECT_EQ(line.opening(), bytes({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 44}));
        std::string data, answers;
        for (const std::string& piece : row.pieces)
            line.receive(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), data, answers);
        EXPECT_EQ(data, row.data);
        EXPECT_EQ(answers, row.answers);
        EXPECT_EQ(line.comPortRefused(), row.refused);
        EXPECT_EQ(line.settingsOwed(), row.settingsOwed);
        EXPECT_EQ(line.serverBaudRate(), row.baudRate);
    }
}

TEST(TelnetLine, LineSettingsAsComPortFrames)
{
    const auto frame = [](int command, std::string value) {
        return bytes({255, 250, 44, command}) + value + bytes({255, 240});
    };
    struct Row {
        uint32_t rate;
        uint8_t dataBits, parity, stopBits;
        std::string frames;  // empty: no frames for these settings
    };
    const Row rows[] = {
        {19200, 8, 2, 0, frame(1, bytes({0, 0, 0x4B, 0})) + frame(2, "\x08") + frame(3, "\x03") + frame(4, "\x01")},
        {9600, 7, 0, 2, frame(1, bytes({0, 0, 0x25, 0x80})) + frame(2, "\x07") + frame(3, "\x01") + frame(4, "\x02")},
        {0x1FF, 5, 4, 1, frame(1, bytes({0, 0, 1, 255, 255})) + frame(2, "\x05") + frame(3, "\x05") + frame(4, "\x03")},
        {110, 6, 1, 0, frame(1, bytes({0, 0, 0, 110})) + frame(2, "\x06") + frame(3, "\x02") + frame(4, "\x01")},
        {9600, 4, 0, 0, ""},
        {9600, 9, 0, 0, ""},
        {9600, 8, 5, 0, ""},
        {9600, 8, 0, 3, ""},
    };
    for (const Row& row : rows) {
        serial::LineSettings settings;
        std::tie(settings.baudRate, settings.dataBits, settings.parity, settings.stopBits) =
            std::tie(row.rate, row.dataBits, row.parity, row.stopBits);
        EXPECT_EQ(TelnetLine::settingsFrames(settings), row.frames) << row.rate << " " << int(row.dataBits);
    }
}

TEST(PortAddress, MappingsNameADeviceANetworkLineOrNothingUsable)
{
    const auto read = [](const std::string& mapping) {
        serial::NetworkAddress address;
        switch (serial::classifyMapping(mapping, address)) {
        case serial::MappingKind::Device: return std::string("device");
        case serial::MappingKind::Malformed: return std::string("malformed");
        default: return (address.telnet ? "telnet " : "raw ") + address.host + " " + std::to_string(address.port);
        }
    };
    const std::pair<const char*, const char*> rows[] = {
        {"/dev/ttyUSB0", "device"},
        {"", "device"},
        {"tcp://10.0.0.7:4001", "raw 10.0.0.7 4001"},
        {"RFC2217://gateway.plant:65535", "telnet gateway.plant 65535"},
        {"tcp://[::1]:1", "raw ::1 1"},
    };
    for (const auto& [mapping, meaning] : rows) EXPECT_EQ(read(mapping), meaning) << mapping;
    for (const char* malformed : {"tcp://host", "tcp://host:", "tcp://:4001", "rfc2217://host:0", "tcp://host:65536",
                                  "tcp://host:123456", "tcp://host:40a1", "tcp://a/b:4001"})
        EXPECT_EQ(read(malformed), "malformed") << malformed;
}

}  // namespace
