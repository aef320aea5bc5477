#include "paced_line.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "driver/DLLMain.h"
#include "framework/DLLLog.h"

extern char** environ;

namespace paced_line {

namespace {

void setTypeName(DeviceEntry& entry, const char* name)
{
    entry.TypeName[0] = static_cast<uint8_t>(std::strlen(name));
    std::memcpy(entry.TypeName + 1, name, entry.TypeName[0]);
}

}  // namespace

PacedSimulator::PacedSimulator(std::vector<std::string> arguments, int port)
    : variable_("OSTREVANE800_COM" + std::to_string(port))
{
    int input[2], output[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return;
    }
    arguments.insert(arguments.begin(), {OSTREVANE_SIM_PROGRAM, "--pty"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&pid_, OSTREVANE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    input_ = input[1];
    output_ = output[0];
    if (spawned != 0) {
        pid_ = -1;
        return;
    }
    // The first line is the line's path.
    std::string path;
    char c = 0;
    pollfd readable{output_, POLLIN, 0};
    while (::poll(&readable, 1, 5000) == 1 && ::read(output_, &c, 1) == 1 && c != '\n') path += c;
    if (path.rfind("/dev/", 0) == 0) {
        ::setenv(variable_.c_str(), path.c_str(), 1);
        path_ = path;
        ready_ = true;
    }
}

PacedSimulator::~PacedSimulator()
{
    ::unsetenv(variable_.c_str());
    if (input_ >= 0) ::close(input_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) ::close(output_);
}

void PacedSimulator::command(const std::string& line)
{
    const std::string text = line + "\n";
    if (input_ >= 0 && ::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::fprintf(stderr, "the simulator did not take: %s\n", line.c_str());
}

SerialDeviceServer::SerialDeviceServer(const std::string& device, const std::string& folder, bool telnet, int port)
{
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    const unsigned listening = ntohs(address.sin_port);
    const std::string configuration = folder + "/ser2net.yaml";
    std::ofstream(configuration) << "connection: &line\n  accepter: " << (telnet ? "telnet(rfc2217)," : "")
                                 << "tcp(nodelay),127.0.0.1," << listening << "\n  connector: serialdev," << device
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
    char entry[32];
    std::snprintf(entry, sizeof entry, "0100007F:%04X 00000000:0000 0A", listening);
    for (int tries = 0; pid_ > 0 && !ready_ && tries < 100; ++tries) {
        std::ifstream table("/proc/net/tcp");
        for (std::string line; std::getline(table, line);) ready_ = ready_ || line.find(entry) != std::string::npos;
        if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ready_)
        ::setenv(("OSTREVANE800_COM" + std::to_string(port)).c_str(),
                 ((telnet ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(listening)).c_str(), 1);
}

SerialDeviceServer::~SerialDeviceServer()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

LogElsewhere::LogElsewhere()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ostrevane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data())) folder_ = pattern;
    driver::libraryInitialise();  // computes the usual log name once; ours replaces it
    previous_ = logfile::LogFileName();
    if (!folder_.empty()) logfile::setLogFileName(folder_ + "/Debug/Ostrevane800.Log");
}

LogElsewhere::~LogElsewhere()
{
    logfile::setLogFileName(previous_);
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

OstrevanePDB instruments808(int count, uint8_t baudCode, int port)
{
    OstrevanePDB pdb;
    std::memset(&pdb, 0, sizeof pdb);
    FullPDB(&pdb);
    pdb.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
    setTypeName(pdb.Devices[0], "");
    for (int device = 1; device <= count; ++device) {
        pdb.Devices[device].DeviceType = OSTREVANE_DEVICE_808;
        setTypeName(pdb.Devices[device], "Ostrevane808");
    }
    pdb.FirstDevice = 1;
    pdb.BaudCode = baudCode;
    pdb.PortCode = static_cast<uint8_t>(port - 1);
    return pdb;
}

HostTagRec numberTag(uint32_t id, const std::string& address)
{
    HostTagRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    std::snprintf(record.Name, sizeof record.Name, "T%u", id);
    std::snprintf(record.Address, sizeof record.Address, "%s", address.c_str());
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    return record;
}

}  // namespace paced_line
