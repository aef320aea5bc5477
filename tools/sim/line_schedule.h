// When bytes cross a paced line. A real line at 9600 baud with 10 bits per character
// (start, 8 data, stop) carries one character every 1.04 ms, in both directions; a
// pseudo-terminal carries everything at once. With pacing on, a byte the master wrote is
// heard only once its last bit would have arrived, and each byte of an answer is handed
// to the line at the moment its last bit would have left.
//
// Times are nanoseconds on any monotonic clock the caller chooses; nothing here reads a
// clock, so the schedule can be checked with made-up times.
#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"

namespace sim {

struct Pace {
    uint32_t baud = 0;  // 0: no pacing
    uint32_t bitsPerCharacter = 10;

    bool on() const { return baud > 0; }
    int64_t characterNs() const;
};

// "9600:10", "19200:11" or "off".
std::optional<Pace> parsePace(std::string_view text);
std::string describePace(const Pace& pace);

class LineSchedule {
public:
    void setPace(const Pace& pace) { pace_ = pace; }
    const Pace& pace() const { return pace_; }

    // Bytes the master wrote, seen at `nowNs`.
    void arrived(std::string_view bytes, int64_t nowNs);
    // The arrived bytes completely received by `nowNs`.
    std::string heard(int64_t nowNs);

    // Queues an answer whose request was heard at `nowNs`; it follows anything still being sent.
    void transmit(const std::vector<Chunk>& chunks, int64_t nowNs);

    struct Due {
        std::string bytes;           // to write to the line now
        std::vector<Chunk> started;  // pieces whose first byte is among them, for the trace
    };
    Due due(int64_t nowNs);

    // The next moment something is due, if anything is waiting.
    std::optional<int64_t> nextEventNs() const;

private:
    struct TimedByte {
        int64_t atNs;
        char byte;
    };
    Pace pace_;
    std::deque<TimedByte> inbound_;
    int64_t inboundFreeNs_ = INT64_MIN;
    std::deque<TimedByte> outbound_;
    std::deque<std::pair<int64_t, Chunk>> starts_;
    int64_t outboundFreeNs_ = INT64_MIN;
};

}  // namespace sim
