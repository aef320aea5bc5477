#include "write_fixture.h"

#include <algorithm>
#include <cstring>

#include "framework/HostVariant.h"

namespace writetest {

HostTagRec withNumber(HostTagRec record, double value)
{
    record.InitialValue.Kind = hostvariant::VT_R8;
    record.InitialValue.Data.Double = value;
    return record;
}

HostTagRec withBoolean(HostTagRec record, bool value)
{
    record.InitialValue.Kind = hostvariant::VT_BOOL;
    const int16_t word = value ? -1 : 0;
    std::memcpy(record.InitialValue.Data.Bytes, &word, sizeof word);
    return record;
}

HostTagRec withText(HostTagRec record, const std::u16string& text)
{
    record.InitialValue.Kind = hostvariant::VT_BSTR;
    record.InitialValue.Data.Pointer = const_cast<char16_t*>(text.c_str());
    return record;
}

std::string select(int deviceNo, std::string_view mnemonic, std::string_view value)
{
    const char g = static_cast<char>('0' + deviceNo / 10), u = static_cast<char>('0' + deviceNo % 10);
    const std::string covered = std::string{g, g, u, u} + std::string(mnemonic) + std::string(value) + '\x03';
    char check = 0;
    for (const char c : covered) check = static_cast<char>(check ^ c);
    return std::string{'\x04', g, g, u, u, '\x02'} + std::string(mnemonic) + std::string(value) + '\x03' + check;
}

Snapshot Writes::snapshot() const
{
    Snapshot s;
    for (const auto& tag : object->TagTable) {
        s.values.push_back(tag->value);
        s.requested.push_back(tag->requestedValue);
        s.writeNumbers.push_back(tag->writeNumber);
        s.qualities.push_back(tag->quality);
    }
    s.queued = object->WriteQueue.size();
    s.logEnabled = object->LogEnabled;
    s.commLineEnabled = object->CommLineEnabled;
    s.devEnabled.assign(object->DevEnabled.begin(), object->DevEnabled.end());
    s.sent = line->sent.size();
    return s;
}

std::vector<std::string> Writes::linesSince(size_t mark) const
{
    const std::string text = log.content().substr(std::min(mark, log.content().size()));
    const std::string colon = "：";
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t at = line.find(colon);
        if (!line.empty()) lines.push_back(at == std::string::npos ? line : line.substr(at + colon.size()));
        start = end + 2;
    }
    return lines;
}

size_t Writes::sentCount(const std::string& frame) const
{
    return static_cast<size_t>(std::count(line->sent.begin(), line->sent.end(), frame));
}

}  // namespace writetest
