// Picks the master's frames out of the byte stream of the line. Bytes arrive in any
// pieces; whatever does not belong to a well-formed frame is handed back as noise, so
// that a trace shows it, and the parser is ready for the next EOT.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Frame {
    enum class Kind { Poll, Select, Noise };
    Kind kind = Kind::Noise;
    std::string bytes;     // the characters as received
    int device = -1;       // 0..99
    std::string mnemonic;  // as received (a select may carry fewer than two characters)
    std::string value;     // a select's value text
    bool checkOk = false;  // a select's block check matched
    std::string problem;   // why noise was dropped
};

class FrameParser {
public:
    // Consumes the bytes; returns the frames they completed and the noise they contained,
    // in line order. A frame still incomplete stays pending for the next call.
    std::vector<Frame> feed(std::string_view bytes);

private:
    enum class State { Idle, Address, Mnemonic, PollEnquiry, SelectBody, SelectCheck };

    void take(char byte);
    void startFrame();
    void abandon(const char* problem, char byte);
    void finish(Frame::Kind kind);
    void flushNoise();

    State state_ = State::Idle;
    std::string frame_;  // the frame under way, from its EOT
    std::string noise_;
    std::string noiseProblem_;
    std::vector<Frame> done_;
};

}  // namespace sim
