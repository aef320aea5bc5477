// Line efficiency: how close the poll cycle comes to what the wire can carry.
//
// The simulator paces every byte at a real line's speed (10 bits a character) and
// answers each 8-character poll with a 10-character reply (" 25.0"), so one exchange
// holds the wire for 18 character times: 18.75 ms at 9600 baud, a wire limit of
// 9600 / (10 x 18) = 53.3 exchanges a second. The host calls OnDataRead on a steady
// 10 ms grid, as it does at the scan time the driver asks for. The driver looks at the
// port once a call, so an exchange lasts a whole number of calls: 2 calls (20 ms) at
// 9600 baud, 50 a second, 0.94 of the wire limit at best; 1 call at 19200 baud when the
// reply is complete within 10 ms of the request, else 2.
//
// Counters: exchanges_per_s (finished exchanges, from the driver's statistics),
// good_replies_per_s, wire_limit_per_s, efficiency (exchanges ÷ wire limit), time_outs,
// and late_calls (grid points missed because the machine was busy; a late call is made
// at once and the grid goes on from it).
//
// The third argument puts Debian's ser2net between the driver and the line (1 raw TCP,
// 2 RFC 2217), as a serial device server on the plant network would be; of_direct is
// the efficiency over that of the direct line at the same rate measured earlier in the run.
// ser2net runs as the README advises for polling: without its character delay (by
// default it holds what the line sends for two character times after each character)
// and with nodelay on its TCP side (no Nagle wait between the pieces of a reply).
//
// Compiled without the GBK flags: it needs <chrono> and has no texts of its own.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/DLLLog.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kScanInterval = milliseconds(10);
constexpr auto kMeasured = std::chrono::seconds(5);
constexpr int kBitsPerCharacter = 10;
constexpr int kCharactersPerExchange = 8 + 10;  // poll and reply

// ostrevane-sim on a pseudo-terminal that OSTREVANE800_COM1 names while it runs.
class PacedSimulator {
public:
    explicit PacedSimulator(std::vector<std::string> arguments)
    {
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0) return;
        arguments.insert(arguments.begin(), {OSTREVANE_SIM_PROGRAM, "--pty"});
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        const int spawned = ::posix_spawn(&pid_, OSTREVANE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        if (spawned != 0) {
            pid_ = -1;
            ::close(output[0]);
            return;
        }
        // The first line is the line's path.
        std::string path;
        char c = 0;
        pollfd readable{output[0], POLLIN, 0};
        while (::poll(&readable, 1, 5000) == 1 && ::read(output[0], &c, 1) == 1 && c != '\n') path += c;
        output_ = output[0];
        if (path.rfind("/dev/", 0) == 0) {
            ::setenv("OSTREVANE800_COM1", path.c_str(), 1);
            path_ = path;
            ready_ = true;
        }
    }

    ~PacedSimulator()
    {
        ::unsetenv("OSTREVANE800_COM1");
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) ::close(output_);
    }

    bool ready() const { return ready_; }
    const std::string& path() const { return path_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool ready_ = false;
    std::string path_;
};

// ser2net serving `device` on a free loopback port while it lives; OSTREVANE800_COM1
// then names that port.
class SerialDeviceServer {
public:
    SerialDeviceServer(const std::string& device, const std::string& folder, bool telnet)
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(probe);
        const unsigned port = ntohs(address.sin_port);
        const std::string configuration = folder + "/ser2net.yaml";
        std::ofstream(configuration) << "connection: &line\n  accepter: " << (telnet ? "telnet(rfc2217)," : "")
                                     << "tcp(nodelay),127.0.0.1," << port << "\n  connector: serialdev," << device
                                     << ",9600n81,local\n  options:\n    chardelay: false\n";
        const std::string pidFile = folder + "/ser2net.pid";
        std::vector<std::string> arguments = {"/usr/sbin/ser2net", "-n", "-d", "-c", configuration, "-P", pidFile};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Listening once /proc/net/tcp shows the port in state 0A.
        char listening[32];
        std::snprintf(listening, sizeof listening, "0100007F:%04X 00000000:0000 0A", port);
        for (int tries = 0; pid_ > 0 && !ready_ && tries < 100; ++tries) {
            std::ifstream table("/proc/net/tcp");
            for (std::string line; std::getline(table, line);)
                ready_ = ready_ || line.find(listening) != std::string::npos;
            if (!ready_) std::this_thread::sleep_for(milliseconds(50));
        }
        if (ready_)
            ::setenv("OSTREVANE800_COM1",
                     ((telnet ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(port)).c_str(), 1);
    }
    ~SerialDeviceServer()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    bool ready() const { return ready_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

// The driver's log in a temporary folder while it lives, not below the current folder.
class LogElsewhere {
public:
    LogElsewhere()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostrevane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
        driver::libraryInitialise();  // computes the usual log name once; ours replaces it
        previous_ = logfile::LogFileName();
        if (!folder_.empty()) logfile::setLogFileName(folder_ + "/Debug/Ostrevane800.Log");
    }
    const std::string& folder() const { return folder_; }
    ~LogElsewhere()
    {
        logfile::setLogFileName(previous_);
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::string folder_;
    std::string previous_;
};

void setTypeName(DeviceEntry& entry, const char* name)
{
    entry.TypeName[0] = static_cast<uint8_t>(std::strlen(name));
    std::memcpy(entry.TypeName + 1, name, entry.TypeName[0]);
}

// An 808 at device 1 on COM1 at `baudCode`, 8N1.
OstrevanePDB oneInstrument(uint8_t baudCode)
{
    OstrevanePDB pdb;
    std::memset(&pdb, 0, sizeof pdb);
    FullPDB(&pdb);
    pdb.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
    setTypeName(pdb.Devices[0], "");
    pdb.Devices[1].DeviceType = OSTREVANE_DEVICE_808;
    setTypeName(pdb.Devices[1], "Ostrevane808");
    pdb.FirstDevice = 1;
    pdb.BaudCode = baudCode;
    return pdb;
}

HostTagRec numberTag(uint32_t id, const char* address)
{
    HostTagRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    std::snprintf(record.Name, sizeof record.Name, "T%u", id);
    std::snprintf(record.Address, sizeof record.Address, "%s", address);
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    return record;
}

struct Counts {
    double exchanges = 0;
    double goodReplies = 0;
    double timeouts = 0;
};

Counts countsNow()
{
    const TBaseDLLObject* object = driver::currentObject();
    if (!object) return {};
    return {static_cast<double>(object->Statistics.exchanges), object->Statistics.goodReplies,
            object->Statistics.timeouts};
}

// Calls OnDataRead on the 10 ms grid until `end`; returns the grid points missed.
int64_t scanUntil(Clock::time_point end, std::vector<TagDataRec>& records)
{
    int64_t late = 0;
    auto next = Clock::now();
    while (next < end) {
        uint32_t count = 0;
        char* message = nullptr;
        OnDataRead(&count, records.data(), &message);
        std::free(message);
        next += kScanInterval;
        const auto now = Clock::now();
        if (now > next) {
            late += (now - next) / kScanInterval + 1;
            next = now;
        }
        std::this_thread::sleep_until(next);
    }
    return late;
}

void LineEfficiency(benchmark::State& state)
{
    const auto baud = static_cast<uint32_t>(state.range(0));
    const auto baudCode = static_cast<uint8_t>(state.range(1));
    LogElsewhere log;
    PacedSimulator simulator({"--instrument", "1:808", "--value", "1:PV=25.0", "--value", "1:SP=30.5", "--value",
                              "1:OP=42.0", "--value", "1:SL=17.5", "--pace", std::to_string(baud) + ":10"});
    if (!simulator.ready()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    const int64_t via = state.range(2);
    std::unique_ptr<SerialDeviceServer> server;
    if (via != 0) server = std::make_unique<SerialDeviceServer>(simulator.path(), log.folder(), via == 2);
    if (server && !server->ready()) {
        state.SkipWithError("ser2net did not start (scripts/install-deps.sh installs it)");
        return;
    }
    // Four parameters, four poll commands taken in turn.
    std::vector<HostTagRec> tags = {numberTag(1, "PV1:0.0"), numberTag(2, "SP1:0.0"), numberTag(3, "OP1:0.0"),
                                    numberTag(4, "SL1:0.0")};
    std::vector<HostTagRec*> pointers;
    for (HostTagRec& tag : tags) pointers.push_back(&tag);
    std::vector<TagDataRec> records(tags.size());
    OstrevanePDB pdb = oneInstrument(baudCode);
    char* message = nullptr;
    const bool started = IniDriver(static_cast<uint32_t>(pointers.size()), pointers.data(), &pdb, &message);
    std::free(message);
    if (!started) {
        state.SkipWithError("IniDriver failed");
        return;
    }
    // The first exchanges (and the first pass, which never finishes one) are not measured.
    scanUntil(Clock::now() + milliseconds(500), records);

    Counts before, after;
    int64_t late = 0;
    std::chrono::duration<double> measured{};
    for (auto _ : state) {
        before = countsNow();
        const auto start = Clock::now();
        late = scanUntil(start + kMeasured, records);
        measured = Clock::now() - start;
        after = countsNow();
    }
    FreeDriver();
    driver::detach();

    const double seconds = measured.count();
    const double wireLimit = static_cast<double>(baud) / (kBitsPerCharacter * kCharactersPerExchange);
    const double exchangesPerSecond = (after.exchanges - before.exchanges) / seconds;
    state.counters["exchanges_per_s"] = exchangesPerSecond;
    state.counters["good_replies_per_s"] = (after.goodReplies - before.goodReplies) / seconds;
    state.counters["wire_limit_per_s"] = wireLimit;
    state.counters["efficiency"] = exchangesPerSecond / wireLimit;
    static std::map<uint32_t, double> directEfficiency;  // by baud rate
    if (via == 0) directEfficiency[baud] = exchangesPerSecond / wireLimit;
    if (via != 0 && directEfficiency[baud] > 0)
        state.counters["of_direct"] = exchangesPerSecond / wireLimit / directEfficiency[baud];
    state.counters["time_outs"] = after.timeouts - before.timeouts;
    state.counters["late_calls"] = static_cast<double>(late);
}
// Arguments: baud rate and its code in the configuration block; the way to the line
// (0 direct, 1 through ser2net raw, 2 through ser2net RFC 2217).
BENCHMARK(LineEfficiency)
    ->ArgNames({"baud", "code", "via"})
    ->Args({9600, 6, 0})
    ->Args({9600, 6, 1})
    ->Args({9600, 6, 2})
    ->Args({19200, 8, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
