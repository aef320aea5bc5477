// The records a host hands to the driver: its tag records for IniDriver and value
// records for OnDataWrite, and what it reads back from OnDataRead.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "host/tag_list.h"
#include "host/values.h"

namespace host {

// The host's tag records and the pointer array IniDriver takes; they stay valid as
// long as the table lives (the driver copies what it needs during IniDriver).
class HostTagTable {
public:
    explicit HostTagTable(const std::vector<TagEntry>& tags);
    HostTagTable(const HostTagTable&) = delete;
    HostTagTable& operator=(const HostTagTable&) = delete;

    uint32_t count() const { return static_cast<uint32_t>(records_.size()); }
    HostTagRec** pointers() { return pointers_.data(); }
    const HostTagRec& record(size_t index) const { return records_[index]; }

private:
    std::vector<HostTagRec> records_;
    std::vector<HostTagRec*> pointers_;
    // OLE strings of initial texts: a length word, then UTF-16 units and a zero.
    std::vector<std::vector<char16_t>> texts_;
};

// A value record for OnDataWrite. A text value (UTF-8) is handed over in GBK from
// `gbkText`, which must outlive the call; false when the text cannot be put in GBK.
bool makeWriteRecord(uint32_t id, const Value& value, TagDataRec& record, std::string& gbkText);

// The value of a record OnDataRead filled. `take` receives a text pointer (GBK, maybe
// null), returns its content and releases it; the value's text is UTF-8.
Value recordValue(const TagDataRec& record, std::string (*take)(char*));

}  // namespace host
