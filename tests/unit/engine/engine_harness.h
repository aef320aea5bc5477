// A driver object polling instruments over the shared line in memory, on a clock the
// test moves: every pass of the poll cycle is one call, nothing waits. The engine
// and the write tests share it.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/DLLRealize.h"
#include "support/memory_line.h"
#include "support/test_support.h"

namespace enginetest {

using testing_support::hostTag;
using testing_support::kAck;
using testing_support::plant;
using testing_support::poll;
using testing_support::reply;
constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD, kBad = OSTREVANE_QUALITY_BAD;

// A select: EOT, the device number doubled, STX, mnemonic, value text, ETX, block check.
std::string select(int deviceNo, std::string_view mnemonic, std::string_view value);
// A host tag whose initial value is given, so that its bit number is its address's.
HostTagRec withInitial(HostTagRec record, TagValue value);

// What a refused write must leave as it was.
struct Snapshot {
    std::vector<TagValue> values, requested;
    std::vector<float> writeNumbers;
    std::vector<uint32_t> qualities;
    size_t queued = 0, sent = 0;
    bool logEnabled = false, commLineEnabled = false;
    std::vector<uint8_t> devEnabled;
    bool operator==(const Snapshot&) const = default;
};

class Engine : public ::testing::Test {
protected:
    Engine();
    ~Engine() override { object.reset(); }

    // Creates the driver object on the line and initialises it with the tags; a test
    // may hand in its own object (one that replaces an operation).
    bool start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb = plant(),
               std::unique_ptr<TDLLObject> custom = nullptr);
    int pass() { return object->ReadExecute(); }
    int answer(std::string_view bytes);
    // Lets the reply time run out and runs a pass.
    int timeOut();
    TDLLTag& tag(size_t position) { return *object->TagTable.at(position); }
    const std::string& lastSent() const { return line->sent.back(); }
    size_t sentCount(const std::string& frame) const;
    // WriteExecute for the tag with this host id, as a host write does.
    bool write(uint32_t hostId, TagValue value) { return object->WriteExecute(hostId, std::move(value)); }
    Snapshot snapshot() const;
    // The log lines (after the time and the full-width colon) written since the mark.
    std::vector<std::string> linesSince(size_t mark) const;
    size_t logMark() const { return log.content().size(); }

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::shared_ptr<testing_support::Line> line = std::make_shared<testing_support::Line>();
    std::vector<HostTagRec> hostTags;
    std::unique_ptr<TDLLObject> object;
};

}  // namespace enginetest
