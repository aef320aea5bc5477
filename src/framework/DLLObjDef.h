// One poll or write command of the serial engine.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

using TIndexArray = std::vector<int32_t>;

// Bits of TCommand::flags.
constexpr uint16_t kCommandTemporary = 1;    // disposed after its exchange (writes)
constexpr uint16_t kCommandUpdatesTags = 2;  // its tags take quality and value when the exchange ends
constexpr uint16_t kReadCommandFlags = kCommandUpdatesTags;
constexpr uint16_t kWriteCommandFlags = kCommandUpdatesTags | kCommandTemporary;

// A request and an expected-reply text never exceed what one counted string holds.
constexpr size_t kCommandTextLimit = 255;

struct TCommand {
    TCommand() = default;
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;
    // Unlinks the chain behind it one by one, so a long chain never recurses deeply.
    ~TCommand();

    uint16_t flags = kReadCommandFlags;
    uint8_t tries = 2;       // a write that fails while this is 1 is sent once more
    TIndexArray tagIndexes;  // positions of the command's tags; the first created it
    std::string request;     // the frame sent on the line
    std::string answerMain;  // what a reply should begin with; for log lines only
    std::string typeString;  // the creating tag's type string
    int32_t tagTypeIndex = -1;
    bool write = false;
    int32_t startAddr = 0;    // first channel covered
    int32_t endAddr = 0;      // last channel covered
    int32_t highAddr = 0;     // highest channel of the grouped tags
    int32_t lowAddr = 0;      // lowest channel of the grouped tags
    bool rangeFixed = false;  // no tag may join any more
    std::string reply;        // what the line returned in the current exchange
    int32_t deviceNo = -1;
    uint32_t period = 0;              // ms: the smallest period of its tags
    int32_t skipCountdown = 0;        // selections left before it is polled again
    int32_t skipFactor = 1;           // selections between two polls
    float replyQuality = 1.0f;        // halves on a time-out, moves halfway to 1 on a reply
    float writeNumber = 0;            // a write's word: the tags' requested values come from it
    std::unique_ptr<TCommand> chain;  // the next command of its chain (the write queue's link)
};

inline TCommand::~TCommand()
{
    std::unique_ptr<TCommand> next = std::move(chain);
    while (next) next = std::move(next->chain);
}

using TCommandList = std::vector<std::unique_ptr<TCommand>>;
// Writes waiting to be sent, oldest first.
using TCommandQueue = std::deque<std::unique_ptr<TCommand>>;
