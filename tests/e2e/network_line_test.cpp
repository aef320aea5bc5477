// The driver on a line behind Debian's ser2net, raw and RFC 2217, against the line
// reached directly: values and writes get through, the baud rate asked for reaches the
// line, a restarted server is found again by itself, and an unreachable one never holds
// the host's call longer than a write may. After FreeDriver the line is free at once.
#include <asm/termbits.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>

#include "host_session.h"
#include "ser2net_process.h"
#include "sim_process.h"

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER;
constexpr uint64_t kCallBound = 1000 + 400;  // a connection attempt's bound, and a margin for a busy machine
using e2e::hostTag;

enum class Way { Direct, Raw, Telnet };
void PrintTo(Way way, std::ostream* out)
{
    *out << (way == Way::Direct ? "Direct" : way == Way::Raw ? "Raw" : "Telnet");
}

class ServedLine : public e2e::Host, public ::testing::WithParamInterface<Way> {
protected:
    void lineReady(const std::string& device) override
    {
        line = device;
        if (GetParam() == Way::Direct) return;
        server = std::make_unique<e2e::Ser2net>(device, folder);
        ASSERT_TRUE(server->start()) << server->output();
        ::setenv("OSTREVANE800_COM1", server->url(GetParam() == Way::Telnet).c_str(), 1);
    }
    // The line's output rate as its last user set it.
    uint32_t lineRate() const
    {
        termios2 settings{};
        const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ::ioctl(fd, TCGETS2, &settings);
        ::close(fd);
        return settings.c_ospeed;
    }
    // Another program can take the line: the device itself, or the server's accepter, which
    // tells a second client "Port already in use".
    bool freeForAnother() const
    {
        if (GetParam() == Way::Direct) {
            const int fd = ::open(line.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            int exclusive = 1;
            const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ioctl(fd, TIOCGEXCL, &exclusive) == 0;
            ::close(fd);
            return free && exclusive == 0;
        }
        const std::string url = server->url(GetParam() == Way::Telnet);
        sockaddr_in address{AF_INET,
                            htons(static_cast<uint16_t>(std::stoi(url.substr(url.rfind(':') + 1)))),
                            {htonl(INADDR_LOOPBACK)},
                            {}};
        const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        char answer[64] = {};
        const timeval wait{0, 300000};
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const bool connected = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        const bool refused =
            ::recv(client, answer, sizeof answer - 1, 0) > 0 && std::string(answer).find("in use") != std::string::npos;
        ::close(client);
        return connected && !refused;
    }

    std::string folder = ::testing::TempDir(), line;
    std::unique_ptr<e2e::Ser2net> server;
};

TEST_P(ServedLine, ValuesAndWritesGetThroughAndTheRateAskedForReachesTheLine)
{
    pdb.BaudCode = 8;  // 19200; the server's own setting is 9600
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "SL3:0.0", kNumber)});
    ASSERT_TRUE(readUntil([&] { return shows(1, 25.0) && good(1) && good(2); }));
    EXPECT_TRUE(write(2, -2.5));
    EXPECT_TRUE(readUntil([&] { return shows(2, -2.5) && good(2); }));
    // Raw TCP carries no settings: the server's hold.
    EXPECT_EQ(lineRate(), GetParam() == Way::Raw ? 9600u : 19200u);
    FreeDriver();
    bool free = false;
    for (const uint64_t deadline = e2e::steadyMs() + 1000; !free && e2e::steadyMs() < deadline; e2e::pauseMs(20))
        free = freeForAnother();
    EXPECT_TRUE(free);
}

INSTANTIATE_TEST_SUITE_P(Ways, ServedLine, ::testing::Values(Way::Direct, Way::Raw, Way::Telnet),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

// A pulled adapter on a direct line: line_faults_test.cpp.
using RestartedServer = ServedLine;

TEST_P(RestartedServer, IsFoundAgainWithoutTheHostDoingAnything)
{
    pdb.ErrorOutput = 1;
    start({hostTag(1, "PV1:0.0", kNumber)});
    ASSERT_TRUE(readUntil([&] { return shows(1, 25.0) && good(1); }));
    server->stop();
    sim().commandOk("set 1 PV 47.5");
    readUntil([] { return false; }, 4500);  // two attempts or more, each refused
    ASSERT_TRUE(server->start()) << server->output();
    EXPECT_TRUE(readUntil([&] { return shows(1, 47.5) && good(1); }, 8000));
    EXPECT_LT(longestReadMs, kCallBound);
    FreeDriver();
    const std::string text = log();
    for (const char* once : {"the device is gone", "Connection refused"}) {
        EXPECT_NE(text.find(once), std::string::npos) << once << "\n" << text;
        EXPECT_EQ(text.find(once), text.rfind(once)) << once << "\n" << text;
    }
    EXPECT_NE(text.find("Com1打开成功", text.find("Connection refused")), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Ways, RestartedServer, ::testing::Values(Way::Raw, Way::Telnet),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

// A server nobody runs refuses at once; one whose queue is full never answers, and the
// attempt ends at its bound. Either way the port did not open, said once in the log.
using UnreachableServer = e2e::Host;

TEST_F(UnreachableServer, IsAPortThatDidNotOpenWithinTheBound)
{
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ::bind(silent, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(silent, 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    int queued[3];
    for (int& client : queued) {
        client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(client, reinterpret_cast<sockaddr*>(&address), length);
    }
    e2e::pauseMs(100);
    const std::tuple<uint16_t, const char*, uint64_t> rows[] = {
        {e2e::freeLoopbackPort(), "Connection refused", 0},
        {ntohs(address.sin_port), "Connection timed out", 1000},
    };
    pdb.ErrorOutput = 1;
    for (const auto& [port, reason, least] : rows) {
        ::setenv("OSTREVANE800_COM1", ("tcp://127.0.0.1:" + std::to_string(port)).c_str(), 1);
        HostTagRec tag = hostTag(1, "PV1:0.0", kNumber);
        HostTagRec* tags[] = {&tag};
        char* message = nullptr;
        const uint64_t called = e2e::steadyMs();
        EXPECT_EQ(IniDriver(1, tags, &pdb, &message), 0u);
        const uint64_t took = e2e::steadyMs() - called;
        EXPECT_TRUE(took >= least && took < kCallBound) << reason << ": " << took << " ms";
        EXPECT_STREQ(message, "Com1不存在或被其它程序占用！");
        std::free(message);
        FreeDriver();
        const std::string text = log();
        EXPECT_NE(text.find(reason), std::string::npos) << text;
        EXPECT_EQ(text.find(reason), text.rfind(reason)) << text;
    }
    ::unsetenv("OSTREVANE800_COM1");
    for (int client : queued) ::close(client);
    ::close(silent);
}

}  // namespace
