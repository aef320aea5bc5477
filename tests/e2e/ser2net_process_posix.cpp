#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ser2net_process.h"

namespace e2e {

uint16_t freeLoopbackPort()
{
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

// Whether a socket listens on the loopback port: /proc/net/tcp lists it in state 0A.
static bool listening(uint16_t port)
{
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X 00000000:0000 0A", port);
    std::ifstream table("/proc/net/tcp");
    for (std::string line; std::getline(table, line);)
        if (line.find(wanted) != std::string::npos) return true;
    return false;
}

Ser2net::Ser2net(const std::string& device, const std::string& folder)
    : configuration_(folder + "/ser2net-" + std::to_string(::getpid()) + ".yaml"),  // tests run side by side
      pidFile_(folder + "/ser2net-" + std::to_string(::getpid()) + ".pid"),
      rawPort_(freeLoopbackPort()),
      telnetPort_(freeLoopbackPort())
{
    // The line's own settings are 9600 8N1: what raw TCP leaves it with.
    std::ofstream(configuration_) << "connection: &raw\n  accepter: tcp,127.0.0.1," << rawPort_
                                  << "\n  connector: serialdev," << device << ",9600n81,local\n"
                                  << "connection: &telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort_
                                  << "\n  connector: serialdev," << device << ",9600n81,local\n";
}

Ser2net::~Ser2net()
{
    stop();
    std::remove(configuration_.c_str());
    std::remove(pidFile_.c_str());
}

bool Ser2net::start()
{
    stop();
    process_ = std::make_unique<ChildProcess>(
        "/usr/sbin/ser2net", std::vector<std::string>{"-n", "-d", "-c", configuration_, "-P", pidFile_});
    for (const uint64_t deadline = steadyMs() + 5000; steadyMs() < deadline; pauseMs(20))
        if (listening(rawPort_) && listening(telnetPort_)) return true;
    return false;
}

void Ser2net::stop()
{
    if (!process_) return;
    process_->signal(SIGKILL);
    process_->wait(2000);
    output_ += process_->output();
    process_.reset();
}

std::string Ser2net::url(bool telnet) const
{
    return (telnet ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(telnet ? telnetPort_ : rawPort_);
}

}  // namespace e2e
