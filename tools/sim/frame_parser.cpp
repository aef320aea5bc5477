#include "sim/frame_parser.h"

#include "sim/protocol.h"

namespace sim {

namespace {

// Mnemonic and value text together; the longest value an instrument takes is far shorter.
constexpr size_t kMaxSelectText = 40;
// EOT and the four address characters.
constexpr size_t kHeaderLength = 5;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isPrintable(char c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

std::vector<Frame> FrameParser::feed(std::string_view bytes)
{
    for (const char byte : bytes) take(byte);
    flushNoise();
    std::vector<Frame> result;
    result.swap(done_);
    return result;
}

void FrameParser::take(char byte)
{
    switch (state_) {
    case State::Idle:
        if (byte == kEOT) {
            startFrame();
        } else {
            if (noise_.empty()) noiseProblem_ = "not part of a frame";
            noise_ += byte;
        }
        return;
    case State::Address: {
        // The characters come as G G U U: each digit must repeat the one before it.
        const size_t position = frame_.size() - 1;
        const bool repeats = position % 2 == 0 || byte == frame_.back();
        if (!isDigit(byte) || !repeats) return abandon("bad device number", byte);
        frame_ += byte;
        if (position == 3) state_ = State::Mnemonic;
        return;
    }
    case State::Mnemonic:
        if (frame_.size() == kHeaderLength && byte == kSTX) {
            frame_ += byte;
            state_ = State::SelectBody;
            return;
        }
        if (!isPrintable(byte)) return abandon("bad mnemonic", byte);
        frame_ += byte;
        if (frame_.size() == kHeaderLength + 2) state_ = State::PollEnquiry;
        return;
    case State::PollEnquiry:
        if (byte != kENQ) return abandon("poll without ENQ", byte);
        frame_ += byte;
        return finish(Frame::Kind::Poll);
    case State::SelectBody:
        if (byte == kETX) {
            frame_ += byte;
            state_ = State::SelectCheck;
            return;
        }
        // The text between STX and ETX is printable and short; an EOT starts a new frame.
        if (!isPrintable(byte) || frame_.size() - kHeaderLength - 1 >= kMaxSelectText)
            return abandon("bad select text", byte);
        frame_ += byte;
        return;
    case State::SelectCheck:
        // The check may be any byte, control characters included.
        frame_ += byte;
        return finish(Frame::Kind::Select);
    }
}

void FrameParser::startFrame()
{
    frame_.assign(1, kEOT);
    state_ = State::Address;
}

void FrameParser::abandon(const char* problem, char byte)
{
    flushNoise();
    Frame dropped;
    dropped.bytes.swap(frame_);
    dropped.problem = problem;
    done_.push_back(std::move(dropped));
    state_ = State::Idle;
    // The byte that broke the frame may begin the next one.
    take(byte);
}

void FrameParser::finish(Frame::Kind kind)
{
    flushNoise();
    Frame frame;
    frame.kind = kind;
    frame.device = (frame_[1] - '0') * 10 + (frame_[3] - '0');
    if (kind == Frame::Kind::Poll) {
        frame.mnemonic = frame_.substr(kHeaderLength, 2);
    } else {
        // Between STX and ETX: the mnemonic, then the value text.
        const std::string text = frame_.substr(kHeaderLength + 1, frame_.size() - kHeaderLength - 3);
        frame.mnemonic = text.substr(0, 2);
        if (text.size() > 2) frame.value = text.substr(2);
        frame.checkOk = blockCheck(text + kETX) == frame_.back();
    }
    frame.bytes.swap(frame_);
    done_.push_back(std::move(frame));
    state_ = State::Idle;
}

void FrameParser::flushNoise()
{
    if (noise_.empty()) return;
    Frame noise;
    noise.bytes.swap(noise_);
    noise.problem = noiseProblem_;
    done_.push_back(std::move(noise));
}

}  // namespace sim
