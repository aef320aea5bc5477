// A driver object polling instruments over a line in memory, on a clock the test
// moves: every pass of the poll cycle is one call, nothing waits.
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
using testing_support::Line;
using testing_support::LineBackend;
using testing_support::plant;
using testing_support::poll;
using testing_support::reply;

class Engine : public ::testing::Test {
protected:
    Engine();
    ~Engine() override;

    // Creates the driver object on the line in memory and initialises it with the tags.
    // A test may hand in its own object (one that replaces an operation).
    bool start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb = plant(),
               std::unique_ptr<TDLLObject> custom = nullptr);
    // One pass of the poll cycle.
    int pass() { return object->ReadExecute(); }
    // Puts bytes on the line and runs a pass.
    int answer(std::string_view bytes);
    // Lets the reply time run out and runs a pass.
    int timeOut();
    TDLLTag& tag(size_t position) { return *object->TagTable.at(position); }
    const std::string& lastSent() const { return line->sent.back(); }
    // Queues a write of `value` to the tag at `position`, as a host write does.
    TCommand* queueWrite(size_t position, TagValue value);

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::shared_ptr<Line> line = std::make_shared<Line>();
    std::vector<HostTagRec> hostTags;
    std::unique_ptr<TDLLObject> object;
};

}  // namespace enginetest
