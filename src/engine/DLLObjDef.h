// One poll or write command of the serial engine.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TIndexArray = std::vector<int32_t>;

struct TCommand {
    bool write = false;
    int32_t tagTypeIndex = -1;
    int32_t deviceNo = -1;
    std::string request;       // the frame sent on the line
    TIndexArray tagIndexes;    // positions of the command's tags in the tag table
    uint32_t period = 0;       // ms between two polls
    std::unique_ptr<TCommand> chain;  // commands hanging behind this one
};

using TCommandList = std::vector<std::unique_ptr<TCommand>>;
