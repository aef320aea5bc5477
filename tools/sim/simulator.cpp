#include "sim/simulator.h"

#include <cstdio>

#include "sim/protocol.h"

namespace sim {

namespace {

// Printable characters as they are, the rest as \xNN, so a trace note stays one line.
std::string escaped(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        if (c >= 0x20 && c <= 0x7E) {
            result += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            result += hex;
        }
    }
    return result;
}

std::string quoted(std::string_view text) { return "'" + escaped(text) + "'"; }

}  // namespace

std::string frameTarget(int device, std::string_view mnemonic)
{
    char number[8];
    std::snprintf(number, sizeof number, "%02d", device);
    return std::string(number) + " " + escaped(mnemonic);
}

bool Simulator::addInstrument(int device, InstrumentType type)
{
    if (device < 0 || device > 99) return false;
    return instruments_.try_emplace(device, device, type).second;
}

Instrument* Simulator::instrument(int device)
{
    const auto found = instruments_.find(device);
    return found == instruments_.end() ? nullptr : &found->second;
}

void Simulator::resetLine() { parser_ = FrameParser(); }

std::vector<Exchange> Simulator::feed(std::string_view bytes, uint64_t nowMs)
{
    std::vector<Exchange> exchanges;
    for (Frame& frame : parser_.feed(bytes)) exchanges.push_back(answer(frame, nowMs));
    return exchanges;
}

Exchange Simulator::answer(Frame& frame, uint64_t nowMs)
{
    if (frame.kind == Frame::Kind::Noise) {
        counters_.noiseBytes += frame.bytes.size();
        return {std::move(frame.bytes), "ignored: " + frame.problem, {}};
    }
    const bool poll = frame.kind == Frame::Kind::Poll;
    const std::string what = std::string(poll ? "poll " : "select ") + frameTarget(frame.device, frame.mnemonic);
    Instrument* target = instrument(frame.device);
    if (!target) {
        ++counters_.otherAddress;
        return {std::move(frame.bytes), what + ": no instrument at this number", {}};
    }
    // A silenced instrument neither hears nor stores anything.
    const AppliedFaults applied = faults_.take(frame.device);
    if (applied.silence) {
        ++counters_.silenced;
        return {std::move(frame.bytes), what + ": silenced", {}};
    }
    return poll ? answerPoll(*target, frame, applied, nowMs) : answerSelect(*target, frame, applied);
}

Exchange Simulator::answerPoll(Instrument& target, const Frame& frame, const AppliedFaults& applied, uint64_t nowMs)
{
    ++counters_.polls;
    const std::string what = "poll " + frameTarget(frame.device, frame.mnemonic);
    if (!isKnownMnemonic(frame.mnemonic)) {
        const std::string note = "EOT " + frameTarget(frame.device, frame.mnemonic) + " (unknown parameter)";
        return {frame.bytes, what + ": unknown parameter",
                shapeAnswer(std::string(1, kEOT), note, false, applied, noise_)};
    }
    // The wrong-parameter fault answers as if another poll had been heard: a sound
    // frame with that parameter's own value.
    const std::string_view named = applied.wrongParam ? wrongParameterFor(frame.mnemonic) : frame.mnemonic;
    const std::string data = target.dataText(named, nowMs);
    std::string note = "reply " + frameTarget(frame.device, named) + " " + quoted(data);
    if (applied.wrongParam) note += " (wrong parameter, polled " + escaped(frame.mnemonic) + ")";
    if (applied.badStart) note += " (bad start)";
    if (applied.badCheck) note += " (bad check)";
    return {frame.bytes, what, shapeAnswer(readReply(named, data), note, true, applied, noise_)};
}

Exchange Simulator::answerSelect(Instrument& target, const Frame& frame, const AppliedFaults& applied)
{
    ++counters_.selects;
    std::string what = "select " + frameTarget(frame.device, frame.mnemonic) + " " + quoted(frame.value);
    const char* refusal = nullptr;
    std::optional<double> value;
    if (!frame.checkOk)
        refusal = "bad block check";
    else if (!isKnownMnemonic(frame.mnemonic))
        refusal = "unknown parameter";
    else if (isReadOnlyMnemonic(frame.mnemonic))
        refusal = "read-only parameter";
    else if (!(value = parseNumber(frame.value)))
        refusal = "value is not a number";

    if (refusal) {
        ++counters_.naks;
        const std::string note = "NAK " + frameTarget(frame.device, frame.mnemonic) + " (" + refusal + ")";
        return {frame.bytes, what + ": refused, " + refusal,
                shapeAnswer(std::string(1, kNAK), note, false, applied, noise_)};
    }
    target.set(frame.mnemonic, ValueSource::constant(*value));
    ++counters_.acks;
    const std::string note = "ACK " + frameTarget(frame.device, frame.mnemonic);
    return {frame.bytes, what + ": taken", shapeAnswer(std::string(1, kACK), note, false, applied, noise_)};
}

}  // namespace sim
