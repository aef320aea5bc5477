// The instruments on one line: they hear every frame the master sends and the one
// addressed answers. Pure logic: bytes and the time since start go in, the answer comes
// out as timed pieces; the program's I/O layer puts them on the line.
//
// How an instrument answers:
//   poll of a known parameter     STX, mnemonic, data, ETX, check
//   poll of an unknown mnemonic   EOT alone (nothing to report)
//   select, taken                 ACK; the value is stored and later polls return it
//   select, refused               NAK: bad block check, unknown or read-only parameter
//                                 (PV, SP, OP, DA), or a value text that is not a number
//   any frame for a device number nobody plays, or anything malformed: silence
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"
#include "sim/frame_parser.h"
#include "sim/instrument.h"

namespace sim {

// One frame heard on the line (or a stretch of noise) and what went back.
struct Exchange {
    std::string received;
    std::string description;    // e.g. "poll 01 PV", "select 01 SL ' 25.0' taken"
    std::vector<Chunk> answer;  // empty: no answer
};

struct Counters {
    uint64_t polls = 0;    // polls for an instrument played here
    uint64_t selects = 0;  // selects for an instrument played here
    uint64_t acks = 0;
    uint64_t naks = 0;
    uint64_t otherAddress = 0;  // frames for device numbers nobody plays
    uint64_t silenced = 0;      // answers withheld by the silence fault
    uint64_t noiseBytes = 0;    // bytes received outside any frame
};

class Simulator {
public:
    // False when the number is outside 0..99 or already played.
    bool addInstrument(int device, InstrumentType type);
    Instrument* instrument(int device);
    const std::map<int, Instrument>& instruments() const { return instruments_; }

    FaultTable& faults() { return faults_; }
    const Counters& counters() const { return counters_; }

    // Takes bytes from the line at `nowMs` (milliseconds since start, the clock of
    // moving values); returns what they completed, in line order.
    std::vector<Exchange> feed(std::string_view bytes, uint64_t nowMs);
    // Forgets a frame half heard: the line it came on is gone.
    void resetLine();

private:
    Exchange answer(Frame& frame, uint64_t nowMs);
    Exchange answerPoll(Instrument& target, const Frame& frame, const AppliedFaults& applied, uint64_t nowMs);
    Exchange answerSelect(Instrument& target, const Frame& frame, const AppliedFaults& applied);

    FrameParser parser_;
    std::map<int, Instrument> instruments_;
    FaultTable faults_;
    NoiseSource noise_;
    Counters counters_;
};

// "01 PV" style naming of a frame's target in traces.
std::string frameTarget(int device, std::string_view mnemonic);

}  // namespace sim
