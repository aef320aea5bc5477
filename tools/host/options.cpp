#include "host/options.h"
#include "host/text_helpers.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace host {

const std::vector<uint32_t> kBaudRates = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                          19200, 38400, 56000, 57600, 115200, 128000, 256000};
const char kParityLetters[5] = {'N', 'O', 'E', 'M', 'S'};

bool PdbSettings::empty() const
{
    return devices.empty() && !portCode && !baudCode && !dataBitsCode && !parityCode && !stopBitsCode && !createMode &&
           !debugSwitch && !errorOutput && !traceOutput;
}

namespace {

bool readInt(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

bool readNumber(std::string_view text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty() && std::isfinite(value);
}

std::optional<bool> readSwitch(std::string_view text)
{
    if (text == "on" || text == "1" || text == "yes") return true;
    if (text == "off" || text == "0" || text == "no") return false;
    return std::nullopt;
}

// "8N1", "7E2", "8N1.5": data bits, parity letter, stop bits.
bool readLine(std::string_view text, PdbSettings& settings)
{
    if (text.size() < 3) return false;
    const int dataBits = text[0] - '0';
    if (dataBits < 4 || dataBits > 8) return false;
    const char parity = static_cast<char>(text[1] >= 'a' ? text[1] - 'a' + 'A' : text[1]);
    int parityCode = -1;
    for (int code = 0; code < 5; ++code)
        if (kParityLetters[code] == parity) parityCode = code;
    if (parityCode < 0) return false;
    const std::string_view stop = text.substr(2);
    int stopCode = -1;
    if (stop == "1") stopCode = 0;
    if (stop == "1.5") stopCode = 1;
    if (stop == "2") stopCode = 2;
    if (stopCode < 0) return false;
    settings.dataBitsCode = static_cast<uint8_t>(dataBits - 4);
    settings.parityCode = static_cast<uint8_t>(parityCode);
    settings.stopBitsCode = static_cast<uint8_t>(stopCode);
    return true;
}

// One setting of a configuration block; `problem` says what is wrong with its value.
void takeSetting(PdbSettings& settings, std::string_view name, std::string_view value, std::string& problem)
{
    if (name == "--device") {
        const size_t colon = value.find(':');
        int number = -1;
        const std::string type = colon == std::string_view::npos ? "" : lowerAscii(value.substr(colon + 1));
        const bool numberOk =
            colon != std::string_view::npos && readInt(value.substr(0, colon), number) && number >= 0 && number <= 99;
        uint8_t code = 255;
        if (type == "808") code = 0;
        if (type == "847") code = 1;
        if (type == "none") code = 2;
        if (!numberOk || code == 255)
            problem = "--device takes N:808, N:847 or N:none with N 0..99, e.g. 1:808";
        else
            settings.devices.push_back({number, code});
    } else if (name == "--port") {
        // COMn, or a serial device server's line, for COM1 or as COMn=URL.
        const size_t scheme = value.find("://");
        const size_t equals = value.find('=');
        std::string_view digits = value;
        if (scheme != std::string_view::npos) {
            settings.portMapping = std::string(equals < scheme ? value.substr(equals + 1) : value);
            digits = equals < scheme ? value.substr(0, equals) : "1";
        }
        if (lowerAscii(digits.substr(0, 3)) == "com") digits = digits.substr(3);
        int port = 0;
        const std::string_view mapping = settings.portMapping;
        if (!readInt(digits, port) || port < 1 || port > 10 ||
            (!mapping.empty() && mapping.rfind("tcp://", 0) != 0 && mapping.rfind("rfc2217://", 0) != 0))
            problem = "--port takes COM1..COM10 (or 1..10), tcp://HOST:PORT or rfc2217://HOST:PORT (COMn=... for "
                      "another port)";
        else
            settings.portCode = static_cast<uint8_t>(port - 1);
    } else if (name == "--baud") {
        int rate = 0;
        uint8_t code = 255;
        if (readInt(value, rate))
            for (size_t i = 0; i < kBaudRates.size(); ++i)
                if (kBaudRates[i] == static_cast<uint32_t>(rate)) code = static_cast<uint8_t>(i);
        if (code == 255) {
            problem = "--baud takes one of";
            for (uint32_t known : kBaudRates) {
                problem += ' ';
                problem += std::to_string(known);
            }
        } else {
            settings.baudCode = code;
        }
    } else if (name == "--line") {
        if (!readLine(value, settings))
            problem = "--line takes DATA PARITY STOP such as 8N1, 7E2 or 8N1.5 (parity N O E M S)";
    } else if (name == "--mode") {
        const std::string mode = lowerAscii(value);
        if (mode == "single")
            settings.createMode = 0;
        else if (mode == "multi" || mode == "several")
            settings.createMode = 1;
        else
            problem = "--mode takes single (one device, RS232) or multi (several devices, RS485/RS422)";
    } else if (name == "--debug" || name == "--errors" || name == "--trace") {
        const auto on = readSwitch(value);
        if (!on)
            problem = std::string(name) + " takes on or off";
        else if (name == "--debug")
            settings.debugSwitch = *on;
        else if (name == "--errors")
            settings.errorOutput = *on;
        else
            settings.traceOutput = *on;
    }
}

bool takesValue(std::string_view name)
{
    for (std::string_view known : {"--device", "--port", "--baud", "--line", "--mode", "--debug", "--errors", "--trace",
                                   "--driver", "--pdb", "--tags", "--duration", "--write", "--output", "--log"})
        if (name == known) return true;
    return false;
}

bool isSetting(std::string_view name)
{
    for (std::string_view known :
         {"--device", "--port", "--baud", "--line", "--mode", "--debug", "--errors", "--trace"})
        if (name == known) return true;
    return false;
}

struct Parser {
    Options options;
    std::vector<std::string> words;  // arguments that are no options
    bool pdbOption = false;
    std::string error;

    bool option(std::string_view name, std::string_view value)
    {
        if (isSetting(name)) {
            takeSetting(options.settings, name, value, error);
        } else if (name == "--driver") {
            options.driverPath = value;
        } else if (name == "--pdb") {
            options.pdbFile = value;
            pdbOption = true;
        } else if (name == "--tags") {
            options.tagsFile = value;
        } else if (name == "--duration") {
            options.durationSeconds = parseDuration(std::string(value));
            if (!options.durationSeconds) error = "--duration takes a time such as 20, 20s, 1500ms or 2min";
        } else if (name == "--write") {
            const auto request = parseWriteRequest(std::string(value));
            if (!request)
                error = "--write takes TAG=VALUE or TAG=VALUE@SECONDS, TAG an id or a name, e.g. 7=150@5";
            else
                options.writes.push_back(*request);
        } else if (name == "--output") {
            if (value == "table")
                options.output = OutputMode::Table;
            else if (value == "lines")
                options.output = OutputMode::Lines;
            else
                error = "--output takes table or lines";
        } else if (name == "--log") {
            options.logPath = value;
        }
        return error.empty();
    }

    bool read(const std::vector<std::string>& arguments)
    {
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            if (argument == "--help" || argument == "-h") {
                options.command = Command::Help;
                words.clear();
                words.emplace_back("help");
                return true;
            }
            if (argument == "--traffic") {
                options.traffic = true;
                continue;
            }
            if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
                words.push_back(argument);
                continue;
            }
            const size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            if (!takesValue(name)) {
                error = "unknown option " + name;
                return false;
            }
            std::string value;
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                error = name + " needs a value";
                return false;
            }
            if (!option(name, value)) return false;
        }
        return true;
    }

    // What the command line may hold besides its command words.
    bool check()
    {
        const Options& o = options;
        if (o.command == Command::Help) return true;
        if (o.command == Command::PdbSet && o.settings.empty())
            error = "pdb set needs at least one setting, e.g. --baud 9600";
        const bool run = o.command == Command::Run;
        const bool usesSettings =
            o.command == Command::PdbCreate || o.command == Command::PdbSet || o.command == Command::Address || run;
        if (!usesSettings && !o.settings.empty()) error = "this command takes no configuration settings";
        if (!run && (!o.tagsFile.empty() || o.durationSeconds || !o.writes.empty() || o.traffic ||
                     o.output != OutputMode::Automatic || !o.logPath.empty()))
            error = "--tags, --duration, --write, --traffic, --output and --log belong to the run command";
        if (run && o.tagsFile.empty()) error = "run needs a tag list: --tags FILE";
        if (pdbOption && !run && o.command != Command::Address) error = "--pdb belongs to the run and address commands";
        return error.empty();
    }

    bool command()
    {
        if (words.empty()) {
            error = "no command given";
            return false;
        }
        const std::string& first = words[0];
        std::vector<std::string> rest(words.begin() + 1, words.end());
        if (first == "help") {
            options.command = Command::Help;
            return true;
        }
        if (first == "pdb") {
            if (rest.size() != 2) {
                error = "pdb takes create, set or show and a file name, e.g. pdb create line.pdb";
                return false;
            }
            if (rest[0] == "create")
                options.command = Command::PdbCreate;
            else if (rest[0] == "set")
                options.command = Command::PdbSet;
            else if (rest[0] == "show")
                options.command = Command::PdbShow;
            else {
                error = "pdb takes create, set or show, not " + rest[0];
                return false;
            }
            options.pdbFile = rest[1];
            return true;
        }
        if (first == "address") {
            if (rest.empty()) {
                error = "address needs at least one tag address, e.g. address PV1:0";
                return false;
            }
            options.command = Command::Address;
            options.addresses = rest;
            return true;
        }
        if (first == "types" || first == "run") {
            if (!rest.empty()) {
                error = first + " takes no further words: " + rest[0];
                return false;
            }
            options.command = first == "types" ? Command::Types : Command::Run;
            return true;
        }
        error = "unknown command " + first;
        return false;
    }
};

}  // namespace

std::optional<WriteRequest> parseWriteRequest(const std::string& text)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return std::nullopt;
    WriteRequest request;
    request.tag = text.substr(0, equals);
    request.value = text.substr(equals + 1);
    const size_t at = request.value.rfind('@');
    if (at != std::string::npos) {
        const auto seconds = parseDuration(request.value.substr(at + 1));
        if (!seconds) return std::nullopt;
        request.atSeconds = *seconds;
        request.value.resize(at);
    }
    return request;
}

std::optional<double> parseDuration(const std::string& text)
{
    std::string_view number = text;
    double scale = 1;
    for (const auto& [suffix, factor] : {std::pair<std::string_view, double>{"ms", 0.001}, {"min", 60.0}, {"s", 1.0}}) {
        if (number.size() > suffix.size() && number.substr(number.size() - suffix.size()) == suffix) {
            number.remove_suffix(suffix.size());
            scale = factor;
            break;
        }
    }
    double value = 0;
    if (!readNumber(number, value) || value < 0) return std::nullopt;
    return value * scale;
}

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Parser parser;
    if (!parser.read(arguments) || !parser.command() || !parser.check()) {
        error = parser.error;
        return std::nullopt;
    }
    error.clear();
    return parser.options;
}

std::string usageText()
{
    return R"(ostrevane-host: runs the Ostrevane800 driver the way a SCADA host does.

Usage: ostrevane-host [--driver LIBRARY] COMMAND ...

Configuration (the 26424-byte parameter block a host stores):
  pdb create FILE [SETTINGS]   a new block from the driver's defaults (FullPDB)
  pdb set FILE SETTINGS        change a stored block
  pdb show FILE                show a stored block
  address [--pdb FILE] [SETTINGS] ADDRESS...
                               check tag addresses (TagEdAddr): canonical form and message
  types                        the tag types the driver offers (GetTagAddrList)

Running:
  run --tags FILE [--pdb FILE] [SETTINGS] [--duration TIME] [--write TAG=VALUE[@SECONDS]]...
      [--traffic] [--output table|lines] [--log PATH]
    Starts the driver with the tags of FILE (CSV: id,name,address,type,interval,initial)
    and polls it until Ctrl-C, "quit" or the end of --duration. On a terminal the values
    are shown in a table that updates in place; otherwise one line per change.
    --write      a write at SECONDS after the start (TAG is a tag id or name)
    --traffic    switches the block's trace output on and shows the frames and cycle times
                 from the driver's log
    --log        where the driver's log is, when not ./Debug/Ostrevane800.Log (or the
                 project's Debug folder of the host folder setting)
  While it runs, type: TAG=VALUE (a write), log on|off, status, quit.

SETTINGS (on top of the defaults, or of --pdb FILE):
  --device N:808|847|none   the instrument at address N (0..99); on a new block the
                            devices given replace the default device 0
  --port COM1..COM10        on POSIX COMn is the path in OSTREVANE800_COMn
  --port [COMn=]tcp://HOST:PORT | [COMn=]rfc2217://HOST:PORT
                            the line behind a serial device server (raw TCP, or Telnet
                            with COM port control) for COMn (COM1); run only: it sets
                            OSTREVANE800_COMn for this process
  --baud RATE               110 300 600 1200 2400 4800 9600 14400 19200 38400 56000
                            57600 115200 128000 256000
  --line 8N1                data bits 4..8, parity N O E M S, stop bits 1, 1.5 or 2
  --mode single|multi       one device on RS232, or several on RS485/RS422
  --debug on|off  --errors on|off  --trace on|off   the block's log switches

The driver library is the one beside this program, else the one in ../lib of an
installed package, unless --driver names one (or OSTREVANE800_DRIVER is set).
)";
}

}  // namespace host
