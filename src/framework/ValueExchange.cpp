#include "framework/ValueExchange.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/DLLBase.h"
#include "framework/GbkText.h"
#include "framework/TagValue.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "platform/host_memory.h"

namespace valueexchange {

namespace {

// Driver texts are counted strings of at most 255 bytes.
constexpr size_t kTextLimit = 255;

bool due(const TDLLTag& tag, uint32_t now)
{
    // Unsigned difference: the tick count wraps after 2^32 ms.
    if (static_cast<uint32_t>(now - tag.lastReportTick) <= tag.period) return false;
    if (tag.reportCountdown >= 0) return true;
    return !tagvalue::same(tag.value, tag.reportedValue) || tag.quality != tag.reportedQuality;
}

void fillValue(TagDataRec& record, const TDLLTag& tag)
{
    std::memset(record.Value.Bytes, 0, sizeof record.Value.Bytes);
    switch (tagvalue::kindOf(tag.valueType)) {
    case tagvalue::Kind::Number: record.Value.Number = tagvalue::asNumber(tag.value); break;
    case tagvalue::Kind::Boolean: record.Value.Boolean = tagvalue::asBoolean(tag.value) ? 1u : 0u; break;
    case tagvalue::Kind::Text: record.Value.Text = platform::NewHostStr(tagvalue::asText(tag.value)); break;
    }
}

}  // namespace

void reportChanges(TBaseDLLObject& object, TagDataRec* records, uint32_t& count)
{
    const uint32_t now = platform::clock().tickCount();
    std::optional<double> stamp;
    const size_t tagCount = std::min<size_t>(static_cast<size_t>(std::max(object.TagCount, 0)), object.TagTable.size());
    for (size_t i = 0; i < tagCount; ++i) {
        TDLLTag& tag = *object.TagTable[i];
        if (!due(tag, now)) continue;
        if (tag.reportCountdown >= 0) --tag.reportCountdown;
        if (!stamp) stamp = platform::toOleDate(platform::clock().localNow());
        TagDataRec& record = records[count];
        tag.reportedValue = tag.value;
        tag.lastReportTick = now;
        tag.reportedQuality = tag.quality;
        record.TagId = tag.hostId;
        record.TimeStamp = *stamp;
        record.Quality = tag.quality;
        record.ValueType = tag.valueType;
        fillValue(record, tag);
        ++count;
    }
}

TagValue recordValue(const TagDataRec& record)
{
    switch (tagvalue::kindOf(record.ValueType)) {
    case tagvalue::Kind::Number: {
        // Copied out first: the packed record's double may sit on any address, and the
        // variant would bind a reference to it.
        const double number = record.Value.Number;
        return number;
    }
    case tagvalue::Kind::Boolean: return record.Value.Boolean != 0;
    case tagvalue::Kind::Text: {
        const char* text = record.Value.Text;
        if (!text) return std::string();
        // Read no further than the longest text the driver keeps.
        const size_t length = strnlen(text, kTextLimit + 1);
        return std::string(gbk::prefixWithin(std::string_view(text, length), kTextLimit));
    }
    }
    return std::monostate{};
}

bool applyWrites(TBaseDLLObject& object, const TagDataRec* records, uint32_t count)
{
    bool result = false;
    for (uint32_t i = 0; i < count; ++i) {
        const TagDataRec& record = records[i];
        const int32_t position = object.TagIndex.find(record.TagId);
        if (position < 0 || static_cast<size_t>(position) >= object.TagTable.size()) continue;
        if (record.ValueType != object.TagTable[static_cast<size_t>(position)]->valueType) continue;
        result = object.WriteExecute(record.TagId, recordValue(record));
    }
    return result;
}

}  // namespace valueexchange
