#include "sim/console.h"

#include <charconv>
#include <vector>

namespace sim {

namespace {

constexpr std::string_view kSpaces = " \t\r";
constexpr uint64_t kMaxUnplugMs = 600000;

}  // namespace

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t at = line.find_first_not_of(kSpaces);
    while (at != std::string_view::npos) {
        const size_t end = line.find_first_of(kSpaces, at);
        words.push_back(line.substr(at, end == std::string_view::npos ? end : end - at));
        at = line.find_first_not_of(kSpaces, end);
    }
    return words;
}

namespace {

std::string error(std::string_view text) { return "error: " + std::string(text); }

// The instrument and mnemonic named by two words, or the reason they name none.
Instrument* findTarget(Simulator& simulator, std::string_view device, std::string_view mnemonic, std::string& problem)
{
    int number = -1;
    const char* end = device.data() + device.size();
    const auto [stop, failure] = std::from_chars(device.data(), end, number);
    Instrument* target = failure == std::errc() && stop == end ? simulator.instrument(number) : nullptr;
    if (!target)
        problem = "no instrument " + std::string(device);
    else if (!isKnownMnemonic(mnemonic))
        problem = "unknown parameter " + std::string(mnemonic);
    else
        return target;
    return nullptr;
}

// The raw text: everything after the single space that follows the mnemonic.
std::string_view restAfterWords(std::string_view line, const std::vector<std::string_view>& words, size_t count)
{
    const std::string_view last = words[count - 1];
    const size_t end = static_cast<size_t>(last.data() + last.size() - line.data());
    std::string_view rest = end + 1 <= line.size() ? line.substr(end + 1) : std::string_view();
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    return rest;
}

std::string statsText(const Counters& counters)
{
    return "ok polls=" + std::to_string(counters.polls) + " selects=" + std::to_string(counters.selects) +
           " acks=" + std::to_string(counters.acks) + " naks=" + std::to_string(counters.naks) +
           " other-address=" + std::to_string(counters.otherAddress) +
           " silenced=" + std::to_string(counters.silenced) + " noise-bytes=" + std::to_string(counters.noiseBytes);
}

std::string listText(const Simulator& simulator)
{
    std::string text = "ok";
    for (const auto& [device, instrument] : simulator.instruments())
        text += " " + std::to_string(device) + ":" + typeName(instrument.type());
    return text;
}

}  // namespace

std::optional<std::string> runCommand(std::string_view line, Simulator& simulator, Session& session, uint64_t nowMs)
{
    const std::vector<std::string_view> words = splitWords(line);
    if (words.empty() || words[0][0] == '#') return std::nullopt;
    const std::string_view command = words[0];
    std::string problem;

    if (command == "set" || command == "get" || command == "raw") {
        const bool fits = command == "get"   ? words.size() == 3
                          : command == "set" ? words.size() == 4
                                             : words.size() >= 3;
        if (!fits) return error("usage: get DEV MN, set DEV MN VALUE, raw DEV MN TEXT");
        Instrument* target = findTarget(simulator, words[1], words[2], problem);
        if (!target) return error(problem);
        if (command == "get") return "ok " + target->dataText(words[2], nowMs);
        const auto source = command == "set" ? parseValueSource(words[3], problem)
                                             : parseRawSource(restAfterWords(line, words, 3), problem);
        if (!source) return error(problem);
        target->set(words[2], *source);
        return "ok";
    }
    if (command == "fault") {
        const std::vector<std::string_view> rest(words.begin() + 1, words.end());
        problem = applyFaultCommand(rest, simulator.faults());
        return problem.empty() ? std::string("ok") : error(problem);
    }
    if (command == "faults" && words.size() == 1) return "ok " + simulator.faults().describe();
    if (command == "pace" && words.size() == 2) {
        const auto pace = parsePace(words[1]);
        if (!pace) return error("pace takes BAUD:BITS (e.g. 9600:10) or off");
        session.pace = *pace;
        return "ok";
    }
    if (command == "trace" && words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
        session.trace = words[1] == "on";
        return "ok";
    }
    if (command == "unplug" && words.size() == 2) {
        const auto duration = parseDuration(words[1]);
        if (!duration || *duration > kMaxUnplugMs) return error("unplug takes a DURATION up to 10min");
        if (!session.pty) return error("unplug needs a pseudo-terminal (--pty)");
        if (session.unplugged || session.unplugForMs) return error("the line is unplugged already");
        session.unplugForMs = *duration;
        return "ok";
    }
    if (command == "stats" && words.size() == 1) return statsText(simulator.counters());
    if (command == "list" && words.size() == 1) return listText(simulator);
    if (command == "help") return "ok commands: set, raw, get, fault, faults, pace, trace, unplug, stats, list, quit";
    if (command == "quit" && words.size() == 1) {
        session.quit = true;
        return "ok";
    }
    for (const char* known : {"faults", "pace", "trace", "unplug", "stats", "list", "quit"})
        if (command == known) return error("wrong arguments for " + std::string(command) + " (try help)");
    std::string shown;
    for (const char c : command.substr(0, 20)) shown += c >= 0x20 && c <= 0x7E ? c : '?';
    return error("unknown command '" + shown + "' (try help)");
}

}  // namespace sim
