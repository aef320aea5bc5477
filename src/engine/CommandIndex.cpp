#include "engine/CommandIndex.h"

#include <cstring>

namespace {
uint64_t typeKey(int32_t deviceNo, int32_t tagTypeIndex)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(deviceNo)) << 32) | static_cast<uint32_t>(tagTypeIndex);
}
}  // namespace

std::string CommandIndex::requestKey(int32_t deviceNo, const std::string& request)
{
    std::string key(sizeof deviceNo, '\0');
    std::memcpy(key.data(), &deviceNo, sizeof deviceNo);
    key += request;
    return key;
}

void CommandIndex::clear()
{
    list_ = nullptr;
    indexed_ = 0;
    first_ = last_ = nullptr;
    byRequest_.clear();
    byType_.clear();
}

void CommandIndex::sync(const TCommandList& list)
{
    const bool sameList = list_ == &list && list.size() >= indexed_ &&
                          (indexed_ == 0 || (list.front().get() == first_ && list[indexed_ - 1].get() == last_));
    if (!sameList) {
        clear();
        list_ = &list;
    }
    for (; indexed_ < list.size(); ++indexed_) {
        if (const TCommand* command = list[indexed_].get()) add(*command, static_cast<int32_t>(indexed_));
    }
    first_ = list.empty() ? nullptr : list.front().get();
    last_ = list.empty() ? nullptr : list.back().get();
}

void CommandIndex::add(const TCommand& command, int32_t position)
{
    byRequest_.emplace(requestKey(command.deviceNo, command.request), position);
    byType_[typeKey(command.deviceNo, command.tagTypeIndex)].push_back(position);
}

int32_t CommandIndex::findRequest(int32_t deviceNo, const std::string& request) const
{
    const auto found = byRequest_.find(requestKey(deviceNo, request));
    return found == byRequest_.end() ? -1 : found->second;
}

const std::vector<int32_t>* CommandIndex::withType(int32_t deviceNo, int32_t tagTypeIndex) const
{
    const auto found = byType_.find(typeKey(deviceNo, tagTypeIndex));
    return found == byType_.end() ? nullptr : &found->second;
}
