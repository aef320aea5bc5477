// Faults the simulator injects into the instruments' answers, for all instruments or
// for one device number, for good or for the next n answers.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class FaultKind { Silence, BadCheck, Split, Noise, Delay, BadStart, WrongParam };
constexpr size_t kFaultKinds = 7;
const char* faultName(FaultKind kind);

struct FaultSetting {
    bool on = false;
    uint32_t amount = 0;     // Split: pieces; Noise: bytes; Delay: milliseconds
    uint32_t pauseMs = 0;    // Split: pause between pieces
    int64_t remaining = -1;  // answers it still applies to; -1 without end
};

// What one answer gets.
struct AppliedFaults {
    bool silence = false;
    bool badCheck = false;
    uint32_t splitPieces = 1;
    uint32_t splitPauseMs = 0;
    uint32_t noiseBytes = 0;
    uint32_t delayMs = 0;
    bool badStart = false;    // a reply's STX arrives as '0' (one bit hit), its check still right
    bool wrongParam = false;  // the reply is a sound frame for another parameter
};

// A piece of an answer: sent after `pauseMs` (counted from the end of the piece before,
// or from the end of the request for the first piece).
struct Chunk {
    uint32_t pauseMs = 0;
    std::string bytes;
    std::string note;  // for the trace
};

class FaultTable {
public:
    static constexpr int kAllDevices = -1;

    void set(int scope, FaultKind kind, FaultSetting setting);
    // Removes the faults of one device, or every fault with kAllDevices.
    void clear(int scope);
    // The faults in force for an answer of the device: a fault set for the device
    // itself overrides the one set for all. Each fault used counts one answer down.
    AppliedFaults take(int device);
    // One line: "none" or e.g. "all: badcheck; 3: silence x2".
    std::string describe() const;

private:
    std::map<int, std::array<FaultSetting, kFaultKinds>> scopes_;
};

// The noise bytes of the noise fault: arbitrary but reproducible from run to run.
class NoiseSource {
public:
    std::string bytes(size_t count);

private:
    uint32_t state_ = 0x2545F491u;
};

// The parameter a reply names under the wrong-parameter fault: HS for every poll but
// one of HS itself, which is answered with PV.
std::string_view wrongParameterFor(std::string_view polled);

// Cuts an answer into the pieces that go on the line. `hasCheck` marks answers that
// end in a block check (replies to polls), which the bad-check fault spoils and whose
// start the bad-start fault hits.
std::vector<Chunk> shapeAnswer(std::string answer, std::string_view note, bool hasCheck, const AppliedFaults& faults,
                               NoiseSource& noise);

// Reads the words of a fault command: [DEVICE] KIND SETTING [times N], or [DEVICE] clear.
//   silence on|off       badcheck on|off       badstart on|off      wrongparam on|off
//   (1 and 0 also mean on and off)
//   split PIECES PAUSE   noise COUNT           delay DURATION      (each also "off")
// Durations are "20", "20ms", "1s". Returns an empty text on success, else the error.
std::string applyFaultCommand(const std::vector<std::string_view>& words, FaultTable& table);

}  // namespace sim
