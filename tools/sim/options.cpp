#include "sim/options.h"

#include <charconv>
#include <string_view>

namespace sim {

namespace {

bool readInt(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

bool readDevice(std::string_view text, int& device) { return readInt(text, device) && device >= 0 && device <= 99; }

std::optional<LineFormat> parseLineFormat(std::string_view text)
{
    if (text.size() != 3) return std::nullopt;
    LineFormat format{text[0] - '0', text[1], text[2] - '0'};
    if (format.dataBits < 5 || format.dataBits > 8) return std::nullopt;
    if (format.parity != 'N' && format.parity != 'E' && format.parity != 'O') return std::nullopt;
    if (format.stopBits != 1 && format.stopBits != 2) return std::nullopt;
    return format;
}

// "DEV:MN=TEXT" into its three parts.
bool splitAssignment(std::string_view text, int& device, std::string& mnemonic, std::string_view& value)
{
    const size_t colon = text.find(':');
    const size_t equals = text.find('=');
    if (colon == std::string_view::npos || equals == std::string_view::npos || equals < colon) return false;
    if (!readDevice(text.substr(0, colon), device)) return false;
    mnemonic = std::string(text.substr(colon + 1, equals - colon - 1));
    value = text.substr(equals + 1);
    return isKnownMnemonic(mnemonic);
}

// Each option that takes a value reads it here; empty text on success.
std::string takeValue(Options& options, std::string_view name, std::string_view value)
{
    std::string problem;
    if (name == "--device") {
        options.devicePath = std::string(value);
    } else if (name == "--link") {
        if (value.empty()) return "--link takes the PATH of the link to make";
        options.linkPath = std::string(value);
    } else if (name == "--baud") {
        int baud = 0;
        if (!readInt(value, baud) || baud < 50 || baud > 4000000) return "--baud takes a rate such as 9600";
        options.baud = static_cast<uint32_t>(baud);
    } else if (name == "--line") {
        const auto format = parseLineFormat(value);
        if (!format) return "--line takes a format such as 8N1 or 7E2";
        options.format = *format;
    } else if (name == "--instrument") {
        const size_t colon = value.find(':');
        int device = -1;
        const auto type = colon == std::string_view::npos ? std::nullopt : parseInstrumentType(value.substr(colon + 1));
        if (!type || !readDevice(value.substr(0, colon), device))
            return "--instrument takes DEV:TYPE, DEV 0..99 and TYPE 808 or 847, e.g. 1:808";
        options.instruments.push_back({device, *type});
    } else if (name == "--value" || name == "--ramp" || name == "--sine" || name == "--raw") {
        Options::StartValue start;
        std::string_view text;
        if (!splitAssignment(value, start.device, start.mnemonic, text))
            return std::string(name) + " takes DEV:MN=VALUE with a known mnemonic, e.g. 1:PV=25.0";
        const auto source = name == "--raw" ? parseRawSource(text, problem) : parseValueSource(text, problem);
        if (!source) return std::string(name) + ": " + problem;
        const bool kindFits = (name != "--ramp" || source->kind == ValueSource::Kind::Ramp) &&
                              (name != "--sine" || source->kind == ValueSource::Kind::Sine);
        if (!kindFits)
            return std::string(name) + (name == "--ramp" ? " takes FROM..TO/PERIOD" : " takes MID~AMP/PERIOD");
        start.source = *source;
        options.values.push_back(std::move(start));
    } else if (name == "--fault") {
        options.faults.emplace_back(value);
    } else if (name == "--pace") {
        const auto pace = parsePace(value);
        if (!pace) return "--pace takes BAUD:BITS, e.g. 9600:10";
        options.pace = *pace;
    } else {
        return "unknown option " + std::string(name);
    }
    return {};
}

bool takesValue(std::string_view name)
{
    for (std::string_view known : {"--device", "--link", "--baud", "--line", "--instrument", "--value", "--ramp",
                                   "--sine", "--raw", "--fault", "--pace"})
        if (name == known) return true;
    return false;
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    for (size_t index = 0; index < arguments.size(); ++index) {
        std::string_view argument = arguments[index];
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            return options;
        }
        if (name == "--pty" && !value) {
            options.pty = true;
            continue;
        }
        if (name == "--trace" && !value) {
            options.trace = true;
            continue;
        }
        if (!takesValue(name)) {
            error = "unknown option " + std::string(argument);
            return std::nullopt;
        }
        if (!value) {
            if (index + 1 >= arguments.size()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            value = arguments[++index];
        }
        if (error = takeValue(options, name, *value); !error.empty()) return std::nullopt;
    }
    if (options.pty == !options.devicePath.empty()) {
        error = "give either --pty or --device PATH";
        return std::nullopt;
    }
    if (!options.linkPath.empty() && !options.pty) {
        error = "--link goes with --pty";
        return std::nullopt;
    }
    if (options.instruments.empty()) {
        error = "no instrument: give at least one --instrument DEV:TYPE";
        return std::nullopt;
    }
    return options;
}

bool configure(const Options& options, Simulator& simulator, Session& session, std::string& error)
{
    for (const auto& played : options.instruments) {
        if (!simulator.addInstrument(played.device, played.type)) {
            error = "instrument " + std::to_string(played.device) + " given twice";
            return false;
        }
    }
    for (const auto& start : options.values) {
        Instrument* target = simulator.instrument(start.device);
        if (!target) {
            error = "a value for instrument " + std::to_string(start.device) + ", which is not played (--instrument)";
            return false;
        }
        target->set(start.mnemonic, start.source);
    }
    for (const std::string& fault : options.faults) {
        if (std::string problem = applyFaultCommand(splitWords(fault), simulator.faults()); !problem.empty()) {
            error = "--fault '";
            error.append(fault).append("': ").append(problem);
            return false;
        }
    }
    session.pace = options.pace;
    session.trace = options.trace;
    session.pty = options.pty;
    return true;
}

std::string usageText()
{
    return R"(Usage: ostrevane-sim (--pty | --device PATH) --instrument DEV:TYPE... [options]

Plays instruments of the 808/847 family on a serial line: answers polls with the
parameter's value, takes selects (writes) with ACK and keeps the written value.

Line:
  --pty                    open a pseudo-terminal; its slave path is the first line
                           of standard output
  --link PATH              with --pty: a symbolic link at PATH that names the
                           pseudo-terminal, also the new one after "unplug"; made at
                           start, names nothing while unplugged, replaced at once on
                           return, removed at exit
  --device PATH            use a serial device instead; its path is the first line
  --baud N                 rate of --device (default 9600)
  --line FORMAT            character format of --device: data bits, parity N/E/O,
                           stop bits (default 8N1)
  --pace BAUD:BITS         hand over every byte in both directions at the speed of a
                           real line, e.g. 9600:10 (10 bits a character, 1.04 ms);
                           meant for --pty, a real line paces itself

Instruments:
  --instrument DEV:TYPE    play device number DEV (0..99) of type 808 or 847;
                           repeat for several instruments
  --value DEV:MN=NUMBER    the parameter's value, e.g. 1:PV=25.0 (default 0.0);
                           also takes the ramp and sine forms below
  --ramp DEV:MN=A..B/T     climbs from A to B over the period T, then starts again
                           at A, e.g. 1:PV=20..30/10s
  --sine DEV:MN=M~A/T      M + A sin(2 pi t/T), e.g. 1:PV=25~5/60s
  --raw DEV:MN=TEXT        send TEXT as the data characters unchanged, e.g. 1:SW=>0021
  Periods and pauses: 500ms, 10s, 2min; a bare number is milliseconds.
  Values go out with one decimal, padded to five characters (" 25.0").

Faults (also switchable at run time with the console command "fault"):
  --fault "[DEV] KIND SETTING [times N]"   repeatable; without DEV for all instruments
      silence on|off        no answer at all (a select is not stored either)
      badcheck on|off       replies to polls carry a wrong block check
      split PIECES [PAUSE]  the answer goes out in pieces, PAUSE apart (default 10ms)
      noise COUNT           COUNT arbitrary bytes before the answer
      delay DURATION        the answer starts DURATION after the request
      badstart on|off       replies to polls start with '0' instead of STX (check
                            still right)
      wrongparam on|off     replies to polls name another parameter (HS, or PV for
                            a poll of HS) with its value and a right check
      "times N" limits a fault to the next N answers.

Other:
  --trace                  hex trace of every frame on standard error:
                           "<- <04>..." received, "-> [02]..." sent
  --help                   this text

Console (standard input, one answer line each on standard output):
  set DEV MN VALUE | raw DEV MN TEXT | get DEV MN | fault ... | fault [DEV] clear |
  faults | pace BAUD:BITS|off | trace on|off | unplug DURATION | stats | list |
  help | quit
  "unplug 3s" (--pty only) closes the pseudo-terminal, answers nothing for 3 s, then
  opens a new one and points the --link at it, as an adapter pulled out and put back.
End of standard input leaves the simulator running; quit, SIGINT or SIGTERM end it.
)";
}

}  // namespace sim
