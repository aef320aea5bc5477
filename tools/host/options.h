// The command line of ostrevane-host.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host {

enum class Command { Help, PdbCreate, PdbSet, PdbShow, Address, Types, Run };

// Changes to a configuration block asked for on the command line.
struct PdbSettings {
    struct Device {
        int number;    // 0..99
        uint8_t type;  // 0 = 808, 1 = 847, 2 = no device
    };
    std::vector<Device> devices;
    std::optional<uint8_t> portCode;  // 0..9 = COM1..COM10
    // What the port leads to instead of its device ("tcp://HOST:PORT" or
    // "rfc2217://HOST:PORT"): set for this process, not stored in the block.
    std::string portMapping;
    std::optional<uint8_t> baudCode;      // index in the baud table
    std::optional<uint8_t> dataBitsCode;  // 0..4 = 4..8 bits
    std::optional<uint8_t> parityCode;    // 0..4 = N O E M S
    std::optional<uint8_t> stopBitsCode;  // 0..2 = 1, 1.5, 2
    std::optional<uint8_t> createMode;    // 0 single device, 1 several
    std::optional<bool> debugSwitch;
    std::optional<bool> errorOutput;
    std::optional<bool> traceOutput;

    bool empty() const;
};

// A write to carry out while running: TAG (id or name) = VALUE, AT seconds after the start.
struct WriteRequest {
    std::string tag;
    std::string value;
    double atSeconds = 0;
};

enum class OutputMode { Automatic, Table, Lines };

struct Options {
    Command command = Command::Help;
    std::string driverPath;  // empty: the library beside the program
    std::string pdbFile;     // the file of a pdb command; for run and address an optional input
    PdbSettings settings;
    std::vector<std::string> addresses;  // address command
    std::string tagsFile;                // run
    std::optional<double> durationSeconds;
    std::vector<WriteRequest> writes;
    bool traffic = false;
    OutputMode output = OutputMode::Automatic;
    std::string logPath;  // empty: where the driver puts it
};

// Reads the arguments (without the program name). Empty result and `error` on failure.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);

// "TAG=VALUE" or "TAG=VALUE@SECONDS"; empty when malformed.
std::optional<WriteRequest> parseWriteRequest(const std::string& text);

// "20", "20s", "1500ms", "2min" as seconds; empty when malformed or negative.
std::optional<double> parseDuration(const std::string& text);

std::string usageText();

// The serial tables behind the codes, as the driver and its wizard number them.
extern const std::vector<uint32_t> kBaudRates;
extern const char kParityLetters[5];

}  // namespace host
