#include "engine_harness.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "driver/DLLMain.h"
#include "framework/HostVariant.h"

namespace enginetest {

std::string select(int deviceNo, std::string_view mnemonic, std::string_view value)
{
    // The doubled digits cancel out of the block check: it is that of a reply.
    const char g = static_cast<char>('0' + deviceNo / 10), u = static_cast<char>('0' + deviceNo % 10);
    return std::string{'\x04', g, g, u, u} + reply(mnemonic, value);
}

HostTagRec withInitial(HostTagRec record, TagValue value)
{
    static std::deque<std::u16string> texts;  // the record points at its text
    auto& initial = record.InitialValue;
    if (const bool* flag = std::get_if<bool>(&value)) {
        initial.Kind = hostvariant::VT_BOOL;
        const int16_t word = *flag ? -1 : 0;
        std::memcpy(initial.Data.Bytes, &word, sizeof word);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        initial.Kind = hostvariant::VT_BSTR;
        initial.Data.Pointer = const_cast<char16_t*>(texts.emplace_back(text->begin(), text->end()).c_str());
    } else {
        initial.Kind = hostvariant::VT_R8;
        initial.Data.Double = std::get<double>(value);
    }
    return record;
}

Engine::Engine() { driver::libraryInitialise(); }

bool Engine::start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb, std::unique_ptr<TDLLObject> custom)
{
    hostTags = std::move(tags);
    object = custom ? std::move(custom) : std::make_unique<TDLLObject>();
    return testing_support::startOnLine(*object, line, hostTags, pdb);
}

int Engine::answer(std::string_view bytes)
{
    line->incoming.append(bytes);
    return pass();
}

int Engine::timeOut()
{
    clock.advance(1001);
    return pass();
}

size_t Engine::sentCount(const std::string& frame) const
{
    return static_cast<size_t>(std::count(line->sent.begin(), line->sent.end(), frame));
}

Snapshot Engine::snapshot() const
{
    Snapshot s;
    for (const auto& t : object->TagTable) {
        s.values.push_back(t->value);
        s.requested.push_back(t->requestedValue);
        s.writeNumbers.push_back(t->writeNumber);
        s.qualities.push_back(t->quality);
    }
    s.queued = object->WriteQueue.size();
    s.sent = line->sent.size();
    s.logEnabled = object->LogEnabled;
    s.commLineEnabled = object->CommLineEnabled;
    s.devEnabled.assign(object->DevEnabled.begin(), object->DevEnabled.end());
    return s;
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
