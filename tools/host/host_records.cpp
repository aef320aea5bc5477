#include "host/host_records.h"

#include <algorithm>
#include <cstring>

#include "host/text_codec.h"

namespace host {

namespace {

// OLE Automation variant kinds the host uses for initial values.
constexpr uint16_t kVariantDouble = 5;
constexpr uint16_t kVariantText = 8;
constexpr uint16_t kVariantBoolean = 11;

template <typename T>
void putData(OstrevaneVariant& variant, const T& value)
{
    static_assert(sizeof(T) <= sizeof variant.Data.Bytes);
    std::memcpy(variant.Data.Bytes, &value, sizeof value);
}

void copyField(char* field, size_t size, const std::string& text)
{
    // The host's fields are zero-padded, not zero-terminated: a text may fill one.
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size, text.size()));  // NOLINT(bugprone-not-null-terminated-result)
}

}  // namespace

HostTagTable::HostTagTable(const std::vector<TagEntry>& tags) : records_(tags.size())
{
    for (size_t i = 0; i < tags.size(); ++i) {
        const TagEntry& tag = tags[i];
        HostTagRec& record = records_[i];
        std::memset(&record, 0, sizeof record);
        record.TagId = tag.id;
        copyField(record.Name, sizeof record.Name, tag.nameGbk);
        copyField(record.Address, sizeof record.Address, tag.addressGbk);
        record.ValueType = static_cast<uint8_t>(tag.type);
        record.ReportInterval = tag.interval;
        if (!tag.initial) continue;
        OstrevaneVariant& initial = record.InitialValue;
        if (const double* number = std::get_if<double>(&*tag.initial)) {
            initial.Kind = kVariantDouble;
            putData(initial, *number);
        } else if (const bool* flag = std::get_if<bool>(&*tag.initial)) {
            initial.Kind = kVariantBoolean;
            putData(initial, static_cast<int16_t>(*flag ? -1 : 0));  // VARIANT_TRUE is -1
        } else {
            std::vector<char16_t> units;
            utf8ToUtf16(std::get<std::string>(*tag.initial), units);
            const auto bytes = static_cast<uint32_t>(units.size() * sizeof(char16_t));
            std::vector<char16_t> text(2);
            std::memcpy(text.data(), &bytes, sizeof bytes);
            text.insert(text.end(), units.begin(), units.end());
            text.push_back(0);
            texts_.push_back(std::move(text));
            initial.Kind = kVariantText;
            // The variant points at the first unit, behind the length word.
            putData(initial, static_cast<void*>(texts_.back().data() + 2));
        }
    }
    for (HostTagRec& record : records_) pointers_.push_back(&record);
}

bool makeWriteRecord(uint32_t id, const Value& value, TagDataRec& record, std::string& gbkText)
{
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    if (const double* number = std::get_if<double>(&value)) {
        record.ValueType = OSTREVANE_VALUE_NUMBER;
        record.Value.Number = *number;
    } else if (const bool* flag = std::get_if<bool>(&value)) {
        record.ValueType = OSTREVANE_VALUE_BOOLEAN;
        record.Value.Boolean = *flag ? 1 : 0;
    } else {
        const auto gbk = utf8ToGbk(std::get<std::string>(value));
        if (!gbk) return false;
        gbkText = *gbk;
        record.ValueType = OSTREVANE_VALUE_TEXT;
        record.Value.Text = gbkText.empty() ? nullptr : gbkText.data();
    }
    return true;
}

Value recordValue(const TagDataRec& record, std::string (*take)(char*))
{
    // The record is packed: its fields are copied out, never bound by reference.
    const double number = record.Value.Number;
    const uint32_t flag = record.Value.Boolean;
    char* const text = record.Value.Text;
    switch (record.ValueType) {
    case OSTREVANE_VALUE_BOOLEAN: return flag != 0;
    case OSTREVANE_VALUE_TEXT: return gbkToUtf8(take(text));
    default: return number;
    }
}

}  // namespace host
