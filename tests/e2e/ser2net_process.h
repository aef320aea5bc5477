// Debian's ser2net serving one device on two loopback ports: raw TCP and Telnet with
// the COM port option. Its own configuration, pid file and ports; killed at the end.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "sim_process.h"

namespace e2e {

// A loopback port nothing listens on (it was free a moment ago).
uint16_t freeLoopbackPort();

class Ser2net {
public:
    Ser2net(const std::string& device, const std::string& folder);
    ~Ser2net();
    // Starts it (again, on the same ports); false when it does not listen within 5 s.
    bool start();
    void stop();  // SIGKILL: no goodbye to the connected driver
    std::string url(bool telnet) const;
    const std::string& output() const { return output_; }

private:
    std::string configuration_, pidFile_, output_;
    uint16_t rawPort_, telnetPort_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace e2e
