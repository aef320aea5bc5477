#include "framework/TagIndex.h"

namespace {
// The array may grow to a few entries per tag before ids move to the hash table.
constexpr size_t kDenseEntriesPerTag = 8;
constexpr size_t kDenseSlack = 1024;
}  // namespace

void TagIndexArray::reset(size_t hostTagCount)
{
    sparse_.clear();
    dense_.assign(hostTagCount + 1, kNone);
    denseLimit_ = (hostTagCount + 1) * kDenseEntriesPerTag + kDenseSlack;
}

void TagIndexArray::clear()
{
    dense_.clear();
    sparse_.clear();
    denseLimit_ = 0;
}

void TagIndexArray::assign(uint32_t hostId, int32_t position)
{
    if (hostId < dense_.size()) {
        dense_[hostId] = position;
    } else if (hostId < denseLimit_) {
        dense_.resize(static_cast<size_t>(hostId) + 1, kNone);
        dense_[hostId] = position;
    } else {
        sparse_[hostId] = position;
    }
}

int32_t TagIndexArray::find(uint32_t hostId) const
{
    if (hostId < dense_.size()) return dense_[hostId];
    const auto found = sparse_.find(hostId);
    return found == sparse_.end() ? kNone : found->second;
}
