#include "sim/faults.h"

#include <algorithm>
#include <charconv>

#include "sim/instrument.h"

namespace sim {

namespace {

constexpr uint32_t kMaxNoiseBytes = 256;
constexpr uint32_t kMaxSplitPieces = 64;
constexpr uint64_t kMaxFaultPauseMs = 60000;
constexpr uint32_t kDefaultSplitPauseMs = 10;

constexpr std::array<const char*, kFaultKinds> kNames = {"silence", "badcheck", "split",     "noise",
                                                         "delay",   "badstart", "wrongparam"};
// What the bad-start fault puts where the STX belongs: STX (0x02) with bits 4 and 5 hit.
constexpr char kHitStart = '0';

template <typename Number>
bool readNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

bool readSwitch(std::string_view text, bool& on)
{
    if (text == "on" || text == "1")
        on = true;
    else if (text == "off" || text == "0")
        on = false;
    else
        return false;
    return true;
}

bool readPause(std::string_view text, uint32_t& milliseconds)
{
    const auto duration = parseDuration(text);
    if (!duration || *duration > kMaxFaultPauseMs) return false;
    milliseconds = static_cast<uint32_t>(*duration);
    return true;
}

// The settings after the fault's name; empty text on success.
std::string readSetting(FaultKind kind, const std::vector<std::string_view>& args, FaultSetting& setting)
{
    if (args.size() == 1 && args[0] == "off") {
        setting.on = false;
        return {};
    }
    switch (kind) {
    case FaultKind::Silence:
    case FaultKind::BadCheck:
    case FaultKind::BadStart:
    case FaultKind::WrongParam:
        if (args.size() == 1 && readSwitch(args[0], setting.on)) return {};
        return std::string(faultName(kind)) + " takes on or off";
    case FaultKind::Split:
        setting.pauseMs = kDefaultSplitPauseMs;
        if (args.empty() || args.size() > 2 || !readNumber(args[0], setting.amount) || setting.amount < 2 ||
            setting.amount > kMaxSplitPieces || (args.size() == 2 && !readPause(args[1], setting.pauseMs)))
            return "split takes PIECES (2..64) and a PAUSE (up to 60s), or off";
        setting.on = true;
        return {};
    case FaultKind::Noise:
        if (args.size() != 1 || !readNumber(args[0], setting.amount) || setting.amount > kMaxNoiseBytes)
            return "noise takes a COUNT of bytes (0..256), or off";
        setting.on = setting.amount > 0;
        return {};
    case FaultKind::Delay:
        if (args.size() != 1 || !readPause(args[0], setting.amount)) return "delay takes a DURATION up to 60s, or off";
        setting.on = setting.amount > 0;
        return {};
    }
    return "unknown fault";
}

std::string describeSetting(FaultKind kind, const FaultSetting& setting)
{
    std::string text = faultName(kind);
    if (kind == FaultKind::Split)
        text += " " + std::to_string(setting.amount) + "/" + std::to_string(setting.pauseMs) + "ms";
    else if (kind == FaultKind::Noise)
        text += " " + std::to_string(setting.amount);
    else if (kind == FaultKind::Delay)
        text += " " + std::to_string(setting.amount) + "ms";
    if (setting.remaining >= 0) text += " x" + std::to_string(setting.remaining);
    return text;
}

}  // namespace

const char* faultName(FaultKind kind) { return kNames[static_cast<size_t>(kind)]; }

void FaultTable::set(int scope, FaultKind kind, FaultSetting setting)
{
    scopes_[scope][static_cast<size_t>(kind)] = setting;
}

void FaultTable::clear(int scope)
{
    if (scope == kAllDevices)
        scopes_.clear();
    else
        scopes_.erase(scope);
}

AppliedFaults FaultTable::take(int device)
{
    AppliedFaults applied;
    auto own = scopes_.find(device);
    auto all = scopes_.find(kAllDevices);
    for (size_t index = 0; index < kFaultKinds; ++index) {
        FaultSetting* setting = nullptr;
        if (own != scopes_.end() && own->second[index].on)
            setting = &own->second[index];
        else if (all != scopes_.end() && all->second[index].on)
            setting = &all->second[index];
        if (!setting) continue;
        switch (static_cast<FaultKind>(index)) {
        case FaultKind::Silence: applied.silence = true; break;
        case FaultKind::BadCheck: applied.badCheck = true; break;
        case FaultKind::Split:
            applied.splitPieces = setting->amount;
            applied.splitPauseMs = setting->pauseMs;
            break;
        case FaultKind::Noise: applied.noiseBytes = setting->amount; break;
        case FaultKind::Delay: applied.delayMs = setting->amount; break;
        case FaultKind::BadStart: applied.badStart = true; break;
        case FaultKind::WrongParam: applied.wrongParam = true; break;
        }
        if (setting->remaining > 0 && --setting->remaining == 0) setting->on = false;
    }
    return applied;
}

std::string FaultTable::describe() const
{
    std::string text;
    for (const auto& [scope, settings] : scopes_) {
        std::string listed;
        for (size_t index = 0; index < kFaultKinds; ++index) {
            if (!settings[index].on) continue;
            if (!listed.empty()) listed += ", ";
            listed += describeSetting(static_cast<FaultKind>(index), settings[index]);
        }
        if (listed.empty()) continue;
        if (!text.empty()) text += "; ";
        text += (scope == kAllDevices ? std::string("all") : std::to_string(scope)) + ": " + listed;
    }
    return text.empty() ? "none" : text;
}

std::string NoiseSource::bytes(size_t count)
{
    std::string result;
    result.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        result += static_cast<char>(state_ & 0xFF);
    }
    return result;
}

std::string_view wrongParameterFor(std::string_view polled) { return polled == "HS" ? "PV" : "HS"; }

std::vector<Chunk> shapeAnswer(std::string answer, std::string_view note, bool hasCheck, const AppliedFaults& faults,
                               NoiseSource& noise)
{
    std::vector<Chunk> chunks;
    if (faults.silence || answer.empty()) return chunks;
    if (faults.badCheck && hasCheck) answer.back() = static_cast<char>(answer.back() ^ 0xFF);
    if (faults.badStart && hasCheck) answer.front() = kHitStart;
    if (faults.noiseBytes > 0) chunks.push_back({0, noise.bytes(faults.noiseBytes), "noise"});

    const size_t pieces = std::clamp<size_t>(faults.splitPieces, 1, answer.size());
    const size_t base = answer.size() / pieces;
    const size_t longer = answer.size() % pieces;  // the first pieces take one byte more
    size_t start = 0;
    for (size_t piece = 0; piece < pieces; ++piece) {
        const size_t length = base + (piece < longer ? 1 : 0);
        std::string label(note);
        if (pieces > 1) label += " (piece " + std::to_string(piece + 1) + "/" + std::to_string(pieces) + ")";
        chunks.push_back({piece == 0 ? 0 : faults.splitPauseMs, answer.substr(start, length), std::move(label)});
        start += length;
    }
    chunks.front().pauseMs += faults.delayMs;
    return chunks;
}

std::string applyFaultCommand(const std::vector<std::string_view>& words, FaultTable& table)
{
    size_t at = 0;
    int scope = FaultTable::kAllDevices;
    if (at < words.size() && !words[at].empty() && words[at][0] >= '0' && words[at][0] <= '9') {
        if (!readNumber(words[at], scope) || scope > 99) return "device number must be 0..99";
        ++at;
    }
    if (at >= words.size()) return "which fault? silence, badcheck, badstart, wrongparam, split, noise, delay or clear";
    const std::string_view name = words[at++];
    if (name == "clear") {
        if (at != words.size()) return "clear takes nothing more";
        table.clear(scope);
        return {};
    }
    const auto found = std::find_if(kNames.begin(), kNames.end(), [&](const char* n) { return name == n; });
    if (found == kNames.end()) return "unknown fault '" + std::string(name) + "'";
    const auto kind = static_cast<FaultKind>(found - kNames.begin());

    std::vector<std::string_view> args(words.begin() + static_cast<std::ptrdiff_t>(at), words.end());
    FaultSetting setting;
    if (args.size() >= 2 && args[args.size() - 2] == "times") {
        if (!readNumber(args.back(), setting.remaining) || setting.remaining < 1)
            return "times takes a count of 1 or more";
        args.resize(args.size() - 2);
    }
    if (std::string error = readSetting(kind, args, setting); !error.empty()) return error;
    table.set(scope, kind, setting);
    return {};
}

}  // namespace sim
