// Host writes against the engine's line in memory: WriteExecute as OnDataWrite calls
// it, and what the line and the tags show afterwards.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine_harness.h"

namespace writetest {

// A host tag whose initial value is given, so that its bit number is its address's.
HostTagRec withNumber(HostTagRec record, double value);
HostTagRec withBoolean(HostTagRec record, bool value);
// `text` must outlive the record: the record points at it.
HostTagRec withText(HostTagRec record, const std::u16string& text);

// A select: EOT, the device number doubled, STX, mnemonic, value text, ETX, block check.
std::string select(int deviceNo, std::string_view mnemonic, std::string_view value);

// What a refused write must leave as it was.
struct Snapshot {
    std::vector<TagValue> values, requested;
    std::vector<float> writeNumbers;
    std::vector<uint32_t> qualities;
    size_t queued = 0;
    bool logEnabled = false, commLineEnabled = false;
    std::vector<uint8_t> devEnabled;
    size_t sent = 0;
    bool operator==(const Snapshot&) const = default;
};

class Writes : public enginetest::Engine {
protected:
    // WriteExecute for the tag with this host id.
    bool write(uint32_t hostId, TagValue value) { return object->WriteExecute(hostId, std::move(value)); }
    Snapshot snapshot() const;
    // The log lines (after the time and the full-width colon) written since the mark.
    std::vector<std::string> linesSince(size_t mark) const;
    size_t logMark() const { return log.content().size(); }
    // How often `frame` went out on the line.
    size_t sentCount(const std::string& frame) const;
};

}  // namespace writetest
