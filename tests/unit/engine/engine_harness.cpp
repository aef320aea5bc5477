#include "engine_harness.h"

#include <algorithm>

namespace enginetest {

std::string select(int deviceNo, std::string_view mnemonic, std::string_view value)
{
    // EOT and the doubled device number as in a poll; the digits cancel out of the block check.
    return poll(deviceNo, "").substr(0, 5) + reply(mnemonic, value);
}

bool Engine::start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb)
{
    object = std::make_unique<TDLLObject>();
    return testing_support::startOnLine(*object, line, tags, pdb);
}

Engine::Snapshot Engine::snapshot() const
{
    std::vector<std::tuple<TagValue, TagValue, float, uint32_t>> tags;
    for (const auto& t : object->TagTable) tags.emplace_back(t->value, t->requestedValue, t->writeNumber, t->quality);
    const std::vector<uint8_t> devices(object->DevEnabled.begin(), object->DevEnabled.end());
    return {tags, object->WriteQueue.size(), line->sent.size(), object->LogEnabled, object->CommLineEnabled, devices};
}

std::vector<std::string> Engine::linesSince(size_t mark) const
{
    const std::string text = log.content().substr(std::min(mark, log.content().size()));
    const std::string colon = "：";
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string one = text.substr(start, end - start);
        const size_t at = one.find(colon);
        if (!one.empty()) lines.push_back(at == std::string::npos ? one : one.substr(at + colon.size()));
    }
    return lines;
}

}  // namespace enginetest
