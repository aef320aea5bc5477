#include "sim/line_schedule.h"

#include <algorithm>
#include <charconv>

namespace sim {

namespace {

constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kNsPerSecond = 1000000000;

bool readUnsigned(std::string_view text, uint32_t& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && !text.empty();
}

}  // namespace

int64_t Pace::characterNs() const { return on() ? static_cast<int64_t>(bitsPerCharacter) * kNsPerSecond / baud : 0; }

std::optional<Pace> parsePace(std::string_view text)
{
    if (text == "off") return Pace{};
    const size_t colon = text.find(':');
    Pace pace;
    if (colon == std::string_view::npos || !readUnsigned(text.substr(0, colon), pace.baud) ||
        !readUnsigned(text.substr(colon + 1), pace.bitsPerCharacter))
        return std::nullopt;
    // Characters of 7 to 12 bits: 5..8 data bits, parity, 1 or 2 stop bits, and a start bit.
    if (pace.baud < 50 || pace.baud > 4000000 || pace.bitsPerCharacter < 7 || pace.bitsPerCharacter > 12)
        return std::nullopt;
    return pace;
}

std::string describePace(const Pace& pace)
{
    if (!pace.on()) return "off";
    return std::to_string(pace.baud) + ":" + std::to_string(pace.bitsPerCharacter);
}

void LineSchedule::arrived(std::string_view bytes, int64_t nowNs)
{
    const int64_t character = pace_.characterNs();
    for (const char byte : bytes) {
        inboundFreeNs_ = std::max(inboundFreeNs_, nowNs) + character;
        inbound_.push_back({inboundFreeNs_, byte});
    }
}

std::string LineSchedule::heard(int64_t nowNs)
{
    std::string bytes;
    while (!inbound_.empty() && inbound_.front().atNs <= nowNs) {
        bytes += inbound_.front().byte;
        inbound_.pop_front();
    }
    return bytes;
}

void LineSchedule::transmit(const std::vector<Chunk>& chunks, int64_t nowNs)
{
    const int64_t character = pace_.characterNs();
    int64_t at = std::max(outboundFreeNs_, nowNs);
    for (const Chunk& chunk : chunks) {
        at += static_cast<int64_t>(chunk.pauseMs) * kNsPerMs;
        if (chunk.bytes.empty()) continue;
        starts_.emplace_back(at + character, chunk);
        for (const char byte : chunk.bytes) {
            at += character;
            outbound_.push_back({at, byte});
        }
    }
    outboundFreeNs_ = at;
}

LineSchedule::Due LineSchedule::due(int64_t nowNs)
{
    Due result;
    while (!starts_.empty() && starts_.front().first <= nowNs) {
        result.started.push_back(std::move(starts_.front().second));
        starts_.pop_front();
    }
    while (!outbound_.empty() && outbound_.front().atNs <= nowNs) {
        result.bytes += outbound_.front().byte;
        outbound_.pop_front();
    }
    return result;
}

std::optional<int64_t> LineSchedule::nextEventNs() const
{
    std::optional<int64_t> next;
    if (!inbound_.empty()) next = inbound_.front().atNs;
    if (!outbound_.empty()) next = next ? std::min(*next, outbound_.front().atNs) : outbound_.front().atNs;
    return next;
}

}  // namespace sim
