// A driver object polling instruments over the shared line in memory, on a clock the
// test moves: every pass of the poll cycle is one call, nothing waits. The engine
// and the write tests share it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "driver/DLLMain.h"
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

class Engine : public ::testing::Test {
protected:
    Engine() { driver::libraryInitialise(); }

    // Creates the driver object on the line and initialises it with the tags.
    bool start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb = plant());
    int pass() { return object->ReadExecute(); }
    int answer(std::string_view bytes)
    {
        line->incoming.append(bytes);
        return pass();
    }
    // Lets the reply time run out and runs a pass.
    int timeOut()
    {
        clock.advance(1001);
        return pass();
    }
    TDLLTag& tag(size_t position) { return *object->TagTable.at(position); }
    const std::string& lastSent() const { return line->sent.back(); }
    size_t sentCount(const std::string& frame) const { return std::ranges::count(line->sent, frame); }
    // WriteExecute for the tag with this host id, as a host write does.
    bool write(uint32_t hostId, TagValue value) { return object->WriteExecute(hostId, std::move(value)); }
    // What a refused write must leave as it was.
    using Snapshot = std::tuple<std::vector<std::tuple<TagValue, TagValue, float, uint32_t>>, size_t, size_t, bool,
                                bool, std::vector<uint8_t>>;
    Snapshot snapshot() const;
    // The log lines (after the time and the full-width colon) written since the mark.
    std::vector<std::string> linesSince(size_t mark) const;
    size_t logMark() const { return log.content().size(); }

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::shared_ptr<testing_support::Line> line = std::make_shared<testing_support::Line>();
    std::unique_ptr<TDLLObject> object;
};

}  // namespace enginetest
