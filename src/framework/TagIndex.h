// The tag index array: host tag id -> position in the tag table.
// Host ids are usually small and dense, so most live in a plain array sized from
// the tag count; an id far beyond that goes to a hash table, so that a stray id
// near 2^32 never costs memory in proportion to its value.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class TagIndexArray {
public:
    static constexpr int32_t kNone = -1;

    // Empties the array and makes room for the ids of `hostTagCount` tags.
    void reset(size_t hostTagCount);
    void clear();
    void assign(uint32_t hostId, int32_t position);
    // The position of the tag with this id, or kNone.
    int32_t find(uint32_t hostId) const;

    size_t denseSize() const { return dense_.size(); }
    size_t sparseSize() const { return sparse_.size(); }

private:
    std::vector<int32_t> dense_;
    std::unordered_map<uint32_t, int32_t> sparse_;
    size_t denseLimit_ = 0;
};
