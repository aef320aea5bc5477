// What the line benchmarks share: ostrevane-sim paced like a real line on a
// pseudo-terminal that a COM port names, ser2net serving that line on the network, the
// driver's log out of the way, and a configuration and host tags for 808 instruments.
#pragma once
#include <string>
#include <vector>

#include "Ostrevane800.h"

namespace paced_line {

// ostrevane-sim --pty with the arguments; OSTREVANE800_COM<port> names its line while it
// lives. Its console takes commands on standard input (`command`).
class PacedSimulator {
public:
    explicit PacedSimulator(std::vector<std::string> arguments, int port = 1);
    ~PacedSimulator();
    PacedSimulator(const PacedSimulator&) = delete;
    PacedSimulator& operator=(const PacedSimulator&) = delete;

    bool ready() const { return ready_; }
    const std::string& path() const { return path_; }
    // One console line, e.g. "fault 8 silence off".
    void command(const std::string& line);

private:
    std::string variable_;
    std::string path_;
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool ready_ = false;
};

// The driver's log in a temporary folder while it lives, not below the current folder.
class LogElsewhere {
public:
    LogElsewhere();
    ~LogElsewhere();
    LogElsewhere(const LogElsewhere&) = delete;
    LogElsewhere& operator=(const LogElsewhere&) = delete;

    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::string previous_;
};

// Debian's ser2net serving `device` on a free loopback port, raw TCP or RFC 2217, while
// it lives; OSTREVANE800_COM<port> then names that port. It runs as the README advises for
// polling: without its character delay (by default it holds what the line sends for two
// character times after each character) and with nodelay on its TCP side.
class SerialDeviceServer {
public:
    SerialDeviceServer(const std::string& device, const std::string& folder, bool telnet, int port = 1);
    ~SerialDeviceServer();
    SerialDeviceServer(const SerialDeviceServer&) = delete;
    SerialDeviceServer& operator=(const SerialDeviceServer&) = delete;

    bool ready() const { return ready_; }

private:
    int pid_ = -1;
    bool ready_ = false;
};

// 808 instruments at the device numbers 1..count on COM<port> at `baudCode`, 8N1.
OstrevanePDB instruments808(int count, uint8_t baudCode, int port = 1);

HostTagRec numberTag(uint32_t id, const std::string& address);

}  // namespace paced_line
