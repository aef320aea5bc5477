// Finds the command of a poll list that already sends a tag's frame without visiting
// every command: grouping stays linear in the number of tags however many there are.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/DLLObjDef.h"

class CommandIndex {
public:
    // Brings the index up to date with `list`: commands appended since the last call
    // are added; a different or shortened list is indexed anew.
    void sync(const TCommandList& list);
    // Forgets everything (the commands' texts are about to change).
    void clear();

    // Position of the first command (list order) of the device whose request is
    // `request`, or -1.
    int32_t findRequest(int32_t deviceNo, const std::string& request) const;
    // Positions, ascending, of the commands of a device with a tag type; nullptr if none.
    const std::vector<int32_t>* withType(int32_t deviceNo, int32_t tagTypeIndex) const;

private:
    void add(const TCommand& command, int32_t position);
    static std::string requestKey(int32_t deviceNo, const std::string& request);

    const TCommandList* list_ = nullptr;
    size_t indexed_ = 0;
    const TCommand* first_ = nullptr;
    const TCommand* last_ = nullptr;
    std::unordered_map<std::string, int32_t> byRequest_;
    std::unordered_map<uint64_t, std::vector<int32_t>> byType_;
};
